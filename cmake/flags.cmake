# Compiler flags shared by every target.
add_compile_options(-Wall -Wextra)

if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

option(FUZZ "Build the libFuzzer targets (clang)" OFF)
option(FUZZ_UBSAN "Fuzz targets also check for undefined behaviour (slower)" ON)
option(FUZZ_TRACE_CMP "Fuzz targets trace comparisons to guide mutations (slower)" ON)
if(FUZZ)
  # Instrument everything for coverage; only the fuzz targets link libFuzzer.
  set(fuzz_sanitizers address)
  if(FUZZ_UBSAN)
    set(fuzz_sanitizers address,undefined)
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,${fuzz_sanitizers} -fno-omit-frame-pointer)
  if(NOT FUZZ_TRACE_CMP)
    # Edge coverage only: comparison tracing helps find magic values and
    # lengths, but costs the encoder's search loops nearly two thirds of
    # their speed.
    add_compile_options(-fno-sanitize-coverage=trace-cmp)
  endif()
  add_link_options(-fsanitize=${fuzz_sanitizers})
endif()

# project_plain_code(TARGET): code that must run without the C++ runtime
# (the setup program and everything it links): no exceptions, no RTTI.
function(project_plain_code target)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti
                         -fno-asynchronous-unwind-tables)
endfunction()

# project_small_code(TARGET): the setup program's own code in the Windows
# builds, where every byte is carried by each installer: optimised for size,
# without the compiler's identification string in each object, and with one
# section per function, so that the linker drops what nothing calls (not per
# variable: the linker would carry zero-filled variables as file data). A
# source may ask for speed instead (the decoder's chunk loop).
function(project_small_code target)
  if(WIN32)
    target_compile_options(${target} PRIVATE -Os -fno-ident -ffunction-sections -malign-data=abi)
  endif()
endfunction()

# project_add_gtest(TARGET): natively one ctest entry per test case; under
# Wine one entry per test program (a Wine process per case costs too much),
# which writes a report of its cases (project_gtest_report) so that skipped
# cases are counted as skips, not hidden in a passing entry.
function(project_add_gtest target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target})
    project_gtest_report(${target})
  else()
    include(GoogleTest)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# project_gtest_report(TEST): the GoogleTest program that ctest entry TEST runs
# under Wine writes its XML report to build/<preset>/gtest-results/TEST.xml
# (through Wine's Z: drive); tests/count-results.sh reads it.
function(project_gtest_report test)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT_MODIFICATION
               "GTEST_OUTPUT=set:xml:Z:${CMAKE_BINARY_DIR}/gtest-results/${test}.xml")
endfunction()

# The Windows programs build to the same bytes from the same sources in any
# checkout, at any time: no link time stamp in the PE header (the linker
# writes 0), and source and build folders left out of anything the compiler
# records about file names (__FILE__, debug information). Release builds
# carry no debug information and the setup stub is stripped besides.
if(WIN32)
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
  add_link_options(-Wl,--no-insert-timestamp)
endif()
