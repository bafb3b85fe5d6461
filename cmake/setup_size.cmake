# Prints what a setup executable is made of, in one line. For a stub
# (EXE alone): its size. For an installer made by `zar setup` (EXE, STUB, ZAR):
# the stub it was made from, what zar added (the payload archive, the
# configuration resource, the version information and any icon), the files
# the payload holds (read by `zar list`), and the whole file. An Authenticode
# signature appended by signing is not counted. With BUDGET, fails when the
# stub is larger than BUDGET bytes.
#   cmake -DEXE=setup.exe [-DSTUB=stub-win32.exe -DZAR=zar] [-DBUDGET=N]
#         [-DLABEL=text] -P setup_size.cmake
cmake_minimum_required(VERSION 3.25)

# Little-endian unsigned integer of `bytes` bytes at offset of file.
function(read_le out file offset bytes)
  file(READ "${file}" hex OFFSET ${offset} LIMIT ${bytes} HEX)
  set(value "")
  math(EXPR last "${bytes} - 1")
  foreach(i RANGE ${last} 0 -1)
    math(EXPR at "${i} * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    string(APPEND value "${byte}")
  endforeach()
  if(value STREQUAL "")
    set(value 0)
  endif()
  math(EXPR value "0x${value}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# 1234567 -> 1,234,567
function(grouped out value)
  set(text "")
  while(value GREATER_EQUAL 1000)
    math(EXPR low "${value} % 1000")
    math(EXPR value "${value} / 1000")
    string(LENGTH "${low}" digits)
    while(digits LESS 3)
      string(PREPEND low "0")
      math(EXPR digits "${digits} + 1")
    endwhile()
    set(text ",${low}${text}")
  endwhile()
  set(${out} "${value}${text}" PARENT_SCOPE)
endfunction()

if(NOT EXISTS "${EXE}")
  message(FATAL_ERROR "setup_size: no file '${EXE}'")
endif()

# A file less its signature: the certificate table (data directory 4 of the
# PE optional header, PE32 or PE32+) holds the signature's size.
function(unsigned_size out exe)
  file(SIZE "${exe}" whole)
  read_le(peOffset "${exe}" 60 4)
  math(EXPR magicOffset "${peOffset} + 24")
  read_le(magic "${exe}" ${magicOffset} 2)
  if(magic EQUAL 0x20B)
    math(EXPR certificateSize "${magicOffset} + 144 + 4")
  else()
    math(EXPR certificateSize "${magicOffset} + 128 + 4")
  endif()
  read_le(signature "${exe}" ${certificateSize} 4)
  math(EXPR whole "${whole} - ${signature}")
  set(${out} ${whole} PARENT_SCOPE)
endfunction()

unsigned_size(whole "${EXE}")
grouped(wholeText ${whole})
if(NOT LABEL)
  get_filename_component(LABEL "${EXE}" NAME)
endif()
if(STUB)
  unsigned_size(stub "${STUB}")
  math(EXPR added "${whole} - ${stub}")
  # One line per record: method, packed size, unpacked size, name.
  execute_process(COMMAND "${ZAR}" list "${EXE}" RESULT_VARIABLE rc
                  OUTPUT_VARIABLE listing ERROR_VARIABLE problem)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "setup_size: zar cannot list ${EXE}: ${problem}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${listing}")
  set(files 0)
  set(stored 0)
  foreach(record IN LISTS lines)
    if(record MATCHES "^[a-z0-9]+ +[0-9]+ +([0-9]+)  ")
      math(EXPR stored "${stored} + ${CMAKE_MATCH_1}")
      math(EXPR files "${files} + 1")
    endif()
  endforeach()
  grouped(storedText ${stored})
  grouped(stubText ${stub})
  grouped(addedText ${added})
  set(line "${LABEL}: stub ${stubText} bytes + product ${addedText} bytes (payload of ${storedText} bytes in ${files} files, configuration, version information) = ${wholeText} bytes")
else()
  set(stub ${whole})
  set(line "${LABEL}: stub ${wholeText} bytes")
endif()
if(DEFINED BUDGET AND NOT BUDGET STREQUAL "")
  grouped(budgetText ${BUDGET})
  if(stub GREATER BUDGET)
    math(EXPR over "${stub} - ${BUDGET}")
    grouped(overText ${over})
    message(FATAL_ERROR "${line}\nThe stub is ${overText} bytes larger than its budget of "
                        "${budgetText} bytes (resources/stub_budget.txt).")
  endif()
  string(APPEND line "; stub budget ${budgetText} bytes")
endif()
message("${line}")
