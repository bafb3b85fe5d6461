# product_ini_read(FILE PREFIX): reads a product description file of
# "key=value" lines (sections and ';' comments are ignored) into variables
# PREFIX_key. A key given more than once becomes a list.
function(product_ini_read file prefix)
  file(STRINGS "${file}" lines ENCODING UTF-8)
  set(keys "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*([A-Za-z][A-Za-z0-9]*)[ \t]*=(.*)$")
      set(key "${CMAKE_MATCH_1}")
      string(STRIP "${CMAKE_MATCH_2}" value)
      if(key IN_LIST keys)
        list(APPEND v_${key} "${value}")
      else()
        list(APPEND keys "${key}")
        set(v_${key} "${value}")
      endif()
    endif()
  endforeach()
  foreach(key IN LISTS keys)
    set(${prefix}_${key} "${v_${key}}" PARENT_SCOPE)
  endforeach()
endfunction()

# product_config_generate(INI OUT): writes the configuration record that the
# product description INI describes into the source file OUT, at configure
# time, and configures again whenever INI changes.
function(product_config_generate ini out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DINI=${ini} -DOUT=${out}
            -P ${PROJECT_SOURCE_DIR}/cmake/generate_config.cmake
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Cannot generate the configuration from ${ini}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ini})
endfunction()
