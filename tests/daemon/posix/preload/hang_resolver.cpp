// Preloaded into keldo-linkd by a test: a resolver that never answers for the
// name "hang.invalid" and passes every other name on.
#include <dlfcn.h>
#include <netdb.h>
#include <unistd.h>

#include <cstring>

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** result) {
  if (node != nullptr && std::strcmp(node, "hang.invalid") == 0) {
    for (;;) {
      ::sleep(1000);
    }
  }
  using Real = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
  static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "getaddrinfo"));
  return real(node, service, hints, result);
}
