# Compiler settings shared by every target.
#
# The renderers must give the same bytes on every target, so the compiler may
# not contract or reorder floating-point operations anywhere, and on Win32 the
# arithmetic is done in SSE2 registers so that a double is a double (the x87
# default keeps extended precision in registers).
add_compile_options(-ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i[3-6]86")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-Wall -Wextra)
endif()

if(WIN32)
  # Modules and programs carry their runtime and import system DLLs only.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
endif()

# Native builds can be instrumented: -DKELVO_SANITIZE=ON adds AddressSanitizer
# and UndefinedBehaviorSanitizer to every target.
option(KELVO_SANITIZE "Build native code with AddressSanitizer and UBSan" OFF)

# -DKELVO_FUZZ=ON (clang only) builds the libFuzzer targets in tests/fuzz with
# every library instrumented for the fuzzer, AddressSanitizer and UBSan.
option(KELVO_FUZZ "Build the libFuzzer targets (clang)" OFF)
if(KELVO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KELVO_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# -DKELVO_THREAD_SANITIZE=ON builds native code with ThreadSanitizer, for the
# tests that render on several threads at once.
option(KELVO_THREAD_SANITIZE "Build native code with ThreadSanitizer" OFF)
if(KELVO_THREAD_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
