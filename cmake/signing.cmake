# Authenticode signing of setup.exe, when the build is given a certificate:
#   SETUP_SIGN_PKCS12          PKCS#12 file holding the certificate and its key
#   SETUP_SIGN_PASSWORD_FILE   file holding that file's password
#   SETUP_SIGN_TIMESTAMP_URL   optional RFC 3161 time-stamp server
# With the first two set, setup.exe is signed right after zar has made it
# (SHA-256, by osslsigncode, with the product name as the description). The password
# is read by osslsigncode from its file: it is on no command line and in no
# build output. Without them the build is unchanged.
set(SETUP_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file (certificate and key) to sign setup.exe with; empty: no signature")
set(SETUP_SIGN_PASSWORD_FILE "" CACHE FILEPATH
    "File holding the password of SETUP_SIGN_PKCS12")
set(SETUP_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamp server for the signature (optional)")

# A file the build must read: stops configuring unless it is there and
# readable. Its content is read into nothing.
function(setup_sign_check_file variable)
  set(file "${${variable}}")
  if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
    message(FATAL_ERROR "${variable}: no such file: ${file}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat "${file}"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${variable}: cannot read ${file}")
  endif()
endfunction()

# setup_sign_commands(OUT EXE DESCRIPTION): sets OUT to the COMMAND lines that
# sign EXE in place, when signing is configured (else to nothing); they
# follow the `zar setup` that writes EXE (cmake/zar_setup.cmake).
function(setup_sign_commands out exe description)
  set(${out} "" PARENT_SCOPE)
  if(NOT SETUP_SIGN_PKCS12 AND NOT SETUP_SIGN_PASSWORD_FILE)
    return()
  endif()
  if(NOT SETUP_SIGN_PKCS12 OR NOT SETUP_SIGN_PASSWORD_FILE)
    message(FATAL_ERROR "Signing needs both SETUP_SIGN_PKCS12 and SETUP_SIGN_PASSWORD_FILE")
  endif()
  setup_sign_check_file(SETUP_SIGN_PKCS12)
  setup_sign_check_file(SETUP_SIGN_PASSWORD_FILE)
  find_program(SETUP_OSSLSIGNCODE osslsigncode)
  if(NOT SETUP_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode (apt-get install osslsigncode)")
  endif()
  get_filename_component(name ${exe} NAME)
  message(STATUS "${name}: signed with ${SETUP_SIGN_PKCS12}")
  set(${out} COMMAND ${CMAKE_COMMAND}
                     -DOSSLSIGNCODE=${SETUP_OSSLSIGNCODE}
                     -DEXE=${exe}
                     -DPKCS12=${SETUP_SIGN_PKCS12}
                     -DPASSWORD_FILE=${SETUP_SIGN_PASSWORD_FILE}
                     -DDESCRIPTION=${description}
                     -DTIMESTAMP_URL=${SETUP_SIGN_TIMESTAMP_URL}
                     -P ${PROJECT_SOURCE_DIR}/cmake/sign_file.cmake
             PARENT_SCOPE)
endfunction()
