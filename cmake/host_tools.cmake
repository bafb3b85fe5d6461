# Host tools of the Windows presets: zar and samplegen, built for the build
# machine from this same source tree, or taken ready-built from
# SAMPLE_HOST_TOOLS (a folder holding both, e.g. build/native/bin): the extra
# builds of the release checks reuse one set instead of building it again for
# each folder. zar makes every installer of the build (cmake/zar_setup.cmake);
# samplegen draws the sample product's images and icons.
#   SAMPLE_ZAR, SAMPLE_SAMPLEGEN   the two programs
set(SAMPLE_HOST_TOOLS "" CACHE PATH
    "Folder with ready-built zar and samplegen for the build machine (empty: build them here)")
if(SAMPLE_HOST_TOOLS)
  set(SAMPLE_ZAR ${SAMPLE_HOST_TOOLS}/zar)
  set(SAMPLE_SAMPLEGEN ${SAMPLE_HOST_TOOLS}/samplegen)
  foreach(tool ${SAMPLE_ZAR} ${SAMPLE_SAMPLEGEN})
    if(NOT EXISTS ${tool})
      message(FATAL_ERROR "SAMPLE_HOST_TOOLS: no ${tool}")
    endif()
  endforeach()
else()
  include(ExternalProject)
  set(SAMPLE_HOST_DIR ${CMAKE_BINARY_DIR}/host)
  set(SAMPLE_ZAR ${SAMPLE_HOST_DIR}/bin/zar)
  set(SAMPLE_SAMPLEGEN ${SAMPLE_HOST_DIR}/bin/samplegen)
  find_program(SAMPLE_HOST_CXX NAMES g++ REQUIRED)
  find_program(SAMPLE_HOST_CC NAMES gcc REQUIRED)
  cmake_host_system_information(RESULT SAMPLE_HOST_JOBS QUERY NUMBER_OF_LOGICAL_CORES)
  # The stubs come from this build (target setup_stub), not from the host's.
  ExternalProject_Add(host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${SAMPLE_HOST_DIR}
    PREFIX ${CMAKE_BINARY_DIR}/host-stamps
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
               -DBUILD_TESTS=OFF
               -DZAR_BUILD_STUBS=OFF
               -DCMAKE_C_COMPILER=${SAMPLE_HOST_CC}
               -DCMAKE_CXX_COMPILER=${SAMPLE_HOST_CXX}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${SAMPLE_HOST_DIR} --parallel ${SAMPLE_HOST_JOBS}
                  --target zar samplegen
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${SAMPLE_ZAR} ${SAMPLE_SAMPLEGEN})
endif()
