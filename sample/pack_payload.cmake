# Builds the sample payload: stages the product's files in TREE (the program,
# the help document, the generated template images), packs them with zar and
# checks that the archive holds as many files as the product description
# says the setup program must install.
#   cmake -DZAR= -DSAMPLEGEN= -DTREE= -DOUT= -DPROGRAM= -DPROGRAM_NAME= -DHELP=
#         -DHELP_NAME= -DSTYLES=a|b|c -DFILE_COUNT= -DDIR_LENGTH= [-DLEVEL=best|fast]
#         -P pack_payload.cmake
# LEVEL is zar's compression level: best (the default) or fast.
cmake_minimum_required(VERSION 3.25)
set(levelArgs --best)
if(LEVEL STREQUAL "fast")
  set(levelArgs "")
elseif(DEFINED LEVEL AND NOT LEVEL STREQUAL "best")
  message(FATAL_ERROR "LEVEL must be best or fast, not '${LEVEL}'")
endif()
string(REPLACE "|" ";" styles "${STYLES}")
string(REPLACE "\\" "/" helpPath "${HELP_NAME}")
string(REPLACE "\\" "/" programPath "${PROGRAM_NAME}")

file(REMOVE_RECURSE "${TREE}")
file(MAKE_DIRECTORY "${TREE}")
execute_process(COMMAND "${SAMPLEGEN}" images "${TREE}" ${styles} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "samplegen failed to write the template images")
endif()
configure_file("${PROGRAM}" "${TREE}/${programPath}" COPYONLY)
configure_file("${HELP}" "${TREE}/${helpPath}" COPYONLY)

file(REMOVE "${OUT}")
execute_process(COMMAND "${ZAR}" pack -o "${OUT}" "${TREE}" --first "${PROGRAM_NAME}"
                        --first "${HELP_NAME}" --dir-length ${DIR_LENGTH}
                        ${levelArgs}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "zar pack failed on ${TREE}")
endif()

execute_process(COMMAND "${ZAR}" list "${OUT}" RESULT_VARIABLE rc OUTPUT_VARIABLE listing)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "zar list cannot read the archive it just packed: ${OUT}")
endif()
string(REGEX MATCHALL "\n" lines "${listing}")
list(LENGTH lines records)
if(NOT records EQUAL FILE_COUNT)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "product.ini says fileCount=${FILE_COUNT} but the payload holds ${records} files")
endif()
