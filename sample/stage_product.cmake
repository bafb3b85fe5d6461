# Stages the sample product's files in TREE, the folder `zar setup` packs into
# setup.exe: the program, the help document and the generated template
# images. Then touches STAMP.
#   cmake -DSAMPLEGEN= -DTREE= -DSTAMP= -DPROGRAM= -DPROGRAM_NAME= -DHELP=
#         -DHELP_NAME= -DSTYLES=a|b|c -P stage_product.cmake
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" styles "${STYLES}")
string(REPLACE "\\" "/" helpPath "${HELP_NAME}")
string(REPLACE "\\" "/" programPath "${PROGRAM_NAME}")

file(REMOVE "${STAMP}")
file(REMOVE_RECURSE "${TREE}")
file(MAKE_DIRECTORY "${TREE}")
execute_process(COMMAND "${SAMPLEGEN}" images "${TREE}" ${styles} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "samplegen failed to write the template images")
endif()
configure_file("${PROGRAM}" "${TREE}/${programPath}" COPYONLY)
configure_file("${HELP}" "${TREE}/${helpPath}" COPYONLY)
file(TOUCH "${STAMP}")
