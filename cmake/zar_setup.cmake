# zar_setup(TARGET OUTPUT INI FOLDER [ALL] [FAST] [DEPENDS ...]): the target
# TARGET makes the installer OUTPUT with `zar setup` from this build's stub
# (target setup_stub), the product description INI and the product folder
# FOLDER (a folder that the DEPENDS, e.g. a staging step, fill). --best unless
# FAST; the 64-bit stub in the win64 build. Signed right after, when the build
# is given a certificate (cmake/signing.cmake), with the product name NAME as
# the description (SIGN NAME). The build then prints what the installer is
# made of (cmake/setup_size.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/signing.cmake)

function(zar_setup target output ini folder)
  cmake_parse_arguments(PARSE_ARGV 4 arg "ALL;FAST" "SIGN" "DEPENDS")
  set(args setup -o ${output} --stub $<TARGET_FILE:setup_stub>)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND args --win64)
  endif()
  if(arg_FAST)
    list(APPEND args --fast)
  else()
    list(APPEND args --best)
  endif()
  get_filename_component(name ${output} NAME)
  set(commands COMMAND ${SAMPLE_ZAR} ${args} ${ini} ${folder})
  if(arg_SIGN)
    setup_sign_commands(sign ${output} "${arg_SIGN}")
    list(APPEND commands ${sign})
  endif()
  # What the installer is made of, in one line.
  list(APPEND commands COMMAND ${CMAKE_COMMAND} -DEXE=${output} -DSTUB=$<TARGET_FILE:setup_stub>
                               -DZAR=${SAMPLE_ZAR} "-DLABEL=${name} (${CMAKE_SYSTEM_PROCESSOR})"
                               -P ${PROJECT_SOURCE_DIR}/cmake/setup_size.cmake)
  add_custom_command(OUTPUT ${output}
    ${commands}
    DEPENDS ${SAMPLE_ZAR} setup_stub ${ini} ${arg_DEPENDS} ${SETUP_SIGN_PKCS12}
            ${SETUP_SIGN_PASSWORD_FILE}
    COMMENT "zar setup: ${name} from ${ini}"
    VERBATIM)
  if(arg_ALL)
    add_custom_target(${target} ALL DEPENDS ${output})
  else()
    add_custom_target(${target} DEPENDS ${output})
  endif()
endfunction()
