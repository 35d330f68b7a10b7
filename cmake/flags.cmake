# Warnings, hardening and sanitizers. Flags that only GCC and Clang know stay
# behind a compiler check, so that MSVC and other compilers still build.

option(PSVIEWER_WERROR "Treat warnings as errors (the project's own checks)"
       OFF)
option(PSVIEWER_HARDEN "Build with the compiler's and linker's hardening" ON)
option(PSVIEWER_SANITIZE
       "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(MSVC)
  add_compile_options(/W4 $<$<BOOL:${PSVIEWER_WERROR}>:/WX>)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  return()
endif()

add_compile_options(-Wall -Wextra $<$<BOOL:${PSVIEWER_WERROR}>:-Werror>)
# GCC 12 warns, wrongly, that libstdc++'s own string copies in C++20 overlap
# ("-Wrestrict" on "text" + string); GCC 13 no longer does.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND
   CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()

# The window shows the same pixels on every machine: a product and a sum in
# one expression (the arc's cos(a) * r + cx) are rounded each, and not fused
# into one multiply-add where the processor has one, as GCC does on arm64.
add_compile_options(-ffp-contract=off)

# The same sources make the same program wherever they are cloned: the
# debug information and the assertions name files relative to the source
# folder, and build folders inside it.
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-ffile-prefix-map=a=b PSVIEWER_CXX_FILE_PREFIX_MAP)
if(PSVIEWER_CXX_FILE_PREFIX_MAP)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
endif()

if(PSVIEWER_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The viewer reads any file a user names, so it is built as a distribution
# builds its packages: bounds-checked library calls and containers, a stack
# guard, control-flow protection (branch protection on arm64), and a
# position-independent program whose relocations are read-only once it has
# started. WebAssembly has no such flags: its program cannot reach beyond
# its own memory, nor jump to other than its functions.
if(PSVIEWER_HARDEN AND NOT EMSCRIPTEN)
  include(CheckLinkerFlag)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)

  # _FORTIFY_SOURCE works only when optimising, which every build type but
  # Debug does, and hides the calls it checks from the sanitizers, which
  # check them better. The stack protector is also a link option: MinGW's
  # compiler then links the library that implements it.
  set(compile_flags -D_GLIBCXX_ASSERTIONS -fstack-clash-protection
                    -fcf-protection=full)
  if(PSVIEWER_ARM64)
    list(APPEND compile_flags -mbranch-protection=standard)
  endif()
  set(optimised_flags)
  if(NOT PSVIEWER_SANITIZE)
    set(optimised_flags -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3)
  endif()
  set(both_flags -fstack-protector-strong)
  set(link_flags -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
  foreach(flag IN LISTS compile_flags optimised_flags both_flags)
    string(MAKE_C_IDENTIFIER "PSVIEWER_CXX${flag}" accepted)
    check_cxx_compiler_flag(${flag} ${accepted})
    if(NOT ${accepted})
      continue()
    elseif(flag IN_LIST optimised_flags)
      add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
    else()
      add_compile_options(${flag})
    endif()
    if(flag IN_LIST both_flags)
      add_link_options(${flag})
    endif()
  endforeach()
  foreach(flag IN LISTS link_flags)
    string(MAKE_C_IDENTIFIER "PSVIEWER_LD${flag}" accepted)
    check_linker_flag(CXX ${flag} ${accepted})
    if(${accepted})
      add_link_options(${flag})
    endif()
  endforeach()
endif()
