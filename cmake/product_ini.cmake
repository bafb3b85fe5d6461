# product_ini_read(FILE PREFIX): reads the few values of a product description
# file that the sample product is made of (zar alone reads and checks it for
# the installer). Reads "key=value" lines
# (sections and ';' comments are ignored) into variables
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

