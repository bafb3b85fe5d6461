# Stages the files of the product tests/config/other-product.ini describes,
# 12 in all: its program orbit.exe (a copy of PROGRAM), its help document
# orbit.chm, a licence, a data file, and one image in each of its seven
# template styles and a second in the first. Then touches STAMP.
#   cmake -DPROGRAM= -DTREE= [-DSTAMP=] -P stage_other_product.cmake
cmake_minimum_required(VERSION 3.25)
if(STAMP)
  file(REMOVE "${STAMP}")
endif()
file(REMOVE_RECURSE "${TREE}")
file(MAKE_DIRECTORY "${TREE}")
configure_file("${PROGRAM}" "${TREE}/orbit.exe" COPYONLY)
file(WRITE "${TREE}/orbit.chm" "ITSF orbit studio help\n")
file(WRITE "${TREE}/license.txt" "Orbit Studio 7, licensed to the tests.\n")
file(WRITE "${TREE}/data/orbit.dat" "orbit data\n")
foreach(style Glass Paper Neon Slate Chalk Ink Frost)
  file(WRITE "${TREE}/templates/${style}/frame.bmp" "BM ${style} frame\n")
endforeach()
file(WRITE "${TREE}/templates/Glass/preview.bmp" "BM Glass preview\n")
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
