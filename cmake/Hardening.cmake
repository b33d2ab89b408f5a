# The usual hardening of a distribution build, on by default: stack protection, checked libc
# calls, control-flow protection, read-only relocations bound at start, position-independent
# executables. Each flag is tried first and left out where the toolchain lacks it (clang, MinGW).
include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)
include(CheckPIESupported)

option(MORROWFANE_HARDENING "Build with stack protection, checked libc calls, RELRO and PIE" ON)
if(NOT MORROWFANE_HARDENING)
  return()
endif()

# Adds each option the compiler accepts, tried in order on top of those accepted before it
# (-Werror=format-security is ignored without -Wformat). It is checked and used both when
# compiling and when linking: MinGW's stack protector links its library only when the link
# command has the flag too.
function(morrowfane_add_checked_compile_options)
  set(accepted "")
  foreach(flag IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "MORROWFANE_CXX_HAS${flag}" result)
    list(JOIN accepted " " CMAKE_REQUIRED_FLAGS)
    set(CMAKE_REQUIRED_LINK_OPTIONS "${flag}")
    set(CMAKE_REQUIRED_QUIET ON)
    check_cxx_compiler_flag("${flag}" ${result})
    if(${result})
      add_compile_options("${flag}")
      add_link_options("${flag}")
      list(APPEND accepted "${flag}")
    endif()
  endforeach()
endfunction()

morrowfane_add_checked_compile_options(
  -fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  morrowfane_add_checked_compile_options(-fcf-protection)
endif()

# glibc checks buffer sizes only in optimised code and warns without optimisation, so the define
# goes to optimised configurations alone. Sanitizers intercept the plain calls that the checked
# variants would hide from them. A C library without the checked variants fails to link the probe.
set(MORROWFANE_FORTIFY_SOURCE OFF)
if(NOT MORROWFANE_SANITIZE AND NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
  set(CMAKE_REQUIRED_FLAGS "-O2 -D_FORTIFY_SOURCE=2")
  set(CMAKE_REQUIRED_QUIET ON)
  check_cxx_source_compiles([[
    #include <cstring>
    int main(int argc, char** argv) {
      char copy[8];
      std::strcpy(copy, argv[argc - 1]);
      return copy[0];
    }]] MORROWFANE_CXX_HAS_FORTIFY_SOURCE)
  unset(CMAKE_REQUIRED_FLAGS)
  if(MORROWFANE_CXX_HAS_FORTIFY_SOURCE)
    set(MORROWFANE_FORTIFY_SOURCE ON)
    add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
  endif()
endif()

check_linker_flag(CXX "LINKER:-z,relro,-z,now" MORROWFANE_LINKER_HAS_RELRO_NOW)
if(MORROWFANE_LINKER_HAS_RELRO_NOW)
  add_link_options("LINKER:-z,relro,-z,now")
endif()

check_pie_supported(LANGUAGES CXX OUTPUT_VARIABLE pie_output)
if(CMAKE_CXX_LINK_PIE_SUPPORTED)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
