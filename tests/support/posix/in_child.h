#pragma once

#include <sys/wait.h>
#include <unistd.h>

namespace keldo::test {

constexpr uid_t kNobody = 65534;

// Runs body in a forked child; its result is the child's exit code (128 and
// the signal where one ended it).
template <class Body>
int InChild(Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// InChild as nobody where the test runs as root, whom no permission stops;
// 10 where the child could not become nobody.
template <class Body>
int InChildAsNobody(Body body) {
  return InChild([&] {
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      return 10;
    }
    return body();
  });
}

}  // namespace keldo::test
