# Signs an executable in place with an SHA-256 Authenticode signature. The
# signature is written to a temporary file that replaces the executable only
# when osslsigncode succeeded; on any failure both are deleted, so that no
# unsigned or half-signed file is left as the build's result (and the next
# build makes and signs it again).
#   cmake -DOSSLSIGNCODE= -DEXE= -DPKCS12= -DPASSWORD_FILE= -DDESCRIPTION=
#         [-DTIMESTAMP_URL=] -P sign_file.cmake
cmake_minimum_required(VERSION 3.25)
set(signed "${EXE}.signing")
file(REMOVE "${signed}")

function(fail)
  string(JOIN "" text ${ARGN})
  file(REMOVE "${signed}" "${EXE}")
  message(FATAL_ERROR "Signing ${EXE} failed: ${text}\n${EXE} has been deleted.")
endfunction()

foreach(input PKCS12 PASSWORD_FILE)
  if(NOT EXISTS "${${input}}" OR IS_DIRECTORY "${${input}}")
    fail("SETUP_SIGN_${input}: no such file: ${${input}}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat "${${input}}"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    fail("SETUP_SIGN_${input}: cannot read ${${input}}")
  endif()
endforeach()

set(args sign -pkcs12 "${PKCS12}" -readpass "${PASSWORD_FILE}" -h sha256 -n "${DESCRIPTION}")
if(TIMESTAMP_URL)
  list(APPEND args -ts "${TIMESTAMP_URL}")
endif()
execute_process(COMMAND "${OSSLSIGNCODE}" ${args} -in "${EXE}" -out "${signed}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT EXISTS "${signed}")
  string(STRIP "${out}" out)
  if(out MATCHES "[Pp]assword|PKCS12|pkcs12|mac verify")
    fail("cannot open the PKCS#12 file ${PKCS12}: wrong password in ${PASSWORD_FILE}, "
         "or not a PKCS#12 file. osslsigncode said:\n${out}")
  endif()
  fail("osslsigncode said:\n${out}")
endif()
# osslsigncode writes its output without the execute bits zar set.
file(CHMOD "${signed}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(RENAME "${signed}" "${EXE}")
