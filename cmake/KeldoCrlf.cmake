# cmake -DIN=<file> -DOUT=<file> -P KeldoCrlf.cmake: a copy of a text file with
# CR LF line ends, as Notepad before Windows 10 needs them.
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
