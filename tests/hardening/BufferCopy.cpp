// A copy into a local buffer: the stack protector guards the buffer, and with _FORTIFY_SOURCE the
// copy becomes glibc's size-checked variant. The program itself holds no such call (its buffers
// are standard containers), so this shows what the build's flags do to code that has one.
#include <cstring>

int main(int argc, char** argv) {
  char copy[16];
  std::strcpy(copy, argv[argc - 1]);
  return copy[0];
}
