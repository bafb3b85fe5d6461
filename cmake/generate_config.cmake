cmake_policy(SET CMP0057 NEW)
# Reads the product description file and writes the source file that holds
# the build's one SetupConfig record.
#   cmake -DINI=product.ini -DOUT=setup_config_values.cpp -P generate_config.cmake
include(${CMAKE_CURRENT_LIST_DIR}/product_ini.cmake)
product_ini_read("${INI}" P)

foreach(key titleText productName folderName exeBaseName helpFileName
        helpShortcutName defaultParentDir desktopIcon registerUninstall
        uninstallSwitch uninstallIconIndex createHelpShortcut fileCount)
  if(NOT DEFINED P_${key})
    message(FATAL_ERROR "${INI}: missing value '${key}'")
  endif()
endforeach()
list(LENGTH P_templateStyle styleCount)
if(NOT styleCount EQUAL 7)
  message(FATAL_ERROR "${INI}: exactly 7 templateStyle values are needed, found ${styleCount}")
endif()
string(LENGTH "${P_uninstallSwitch}" switchLength)
if(switchLength GREATER 11)
  message(FATAL_ERROR "${INI}: uninstallSwitch is longer than 11 characters")
endif()

# The dialog's caption ("Installing " and titleText) and its proposed
# directory (defaultParentDir, a backslash, folderName) fill 260-byte buffers.
string(LENGTH "${P_titleText}" titleLength)
if(titleLength GREATER 248)
  message(FATAL_ERROR "${INI}: titleText is longer than 248 characters")
endif()
string(LENGTH "${P_defaultParentDir}\\${P_folderName}" proposalLength)
if(proposalLength GREATER 259)
  message(FATAL_ERROR "${INI}: defaultParentDir and folderName make a directory longer than 259 characters")
endif()

# The installer shows and stores these texts as ANSI bytes: a UTF-8 file's
# accented letters would turn into other characters in the caption, the
# Start Menu and the registry.
foreach(key titleText productName folderName exeBaseName helpFileName
        helpShortcutName defaultParentDir uninstallSwitch templateStyle)
  foreach(value IN LISTS P_${key})
    if(NOT value MATCHES "^[ -~]*$")
      message(FATAL_ERROR "${INI}: ${key} '${value}' is not plain ASCII")
    endif()
  endforeach()
endforeach()

function(c_string out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

set(styles "")
foreach(style IN LISTS P_templateStyle)
  c_string(s "${style}")
  string(APPEND styles "        ${s},\n")
endforeach()
foreach(key titleText productName folderName exeBaseName helpFileName
        helpShortcutName defaultParentDir uninstallSwitch)
  c_string(S_${key} "${P_${key}}")
endforeach()

file(WRITE "${OUT}.tmp" "// Generated from ${INI} by the build. Do not edit.
#include \"setup_config.h\"

SetupConfigRecord SetupConfig = {
    ${P_desktopIcon}, // desktopIcon
    ${P_fileCount}, // fileCount
    ${S_titleText},
    ${S_productName},
    ${S_folderName},
    ${S_exeBaseName},
    ${P_registerUninstall}, // registerUninstall
    ${S_uninstallSwitch},
    ${P_uninstallIconIndex}, // uninstallIconIndex
    ${P_createHelpShortcut}, // createHelpShortcut
    ${S_helpFileName},
    ${S_helpShortcutName},
    ${S_defaultParentDir},
    {
${styles}    },
};
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.tmp" "${OUT}")
file(REMOVE "${OUT}.tmp")
