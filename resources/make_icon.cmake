# Writes the program icon as resource script text: icon group 108 with a
# 32 x 32 and a 16 x 16 image of 16 colours (the standard VGA palette), drawn
# below as pixel art. Each image becomes an RT_ICON resource holding a DIB
# (header, palette, colour bits, transparency mask); the group lists both.
#   cmake -DOUT=setup_icon.rc -P make_icon.cmake
# One character per pixel: a palette index 0-F, or '.' for transparent.

set(ART_32
  "................................"
  ".............444444............."
  ".............4CECC4............."
  ".............4CECC4............."
  ".............4CECC4............."
  ".............4CECC4............."
  ".............4CECC4............."
  ".............4CECC4............."
  ".............4CECC4............."
  ".............4CECC4............."
  ".......4CCCCCCCECCCCCCCC4......."
  "........4CCCCCCECCCCCCC4........"
  ".........4CCCCCCCCCCCC4........."
  "..........4CCCCCCCCCC4.........."
  "...........4CCCCCCCC4..........."
  "............4CCCCCC4............"
  "....0000000004CCCC4000000000...."
  "....03333333334CC43333333330...."
  "....033333333333333333333330...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....0BBBBBBBBBB33BBBBBBBBBB0...."
  "....000000000000000000000000...."
  "................................")

set(ART_16
  "................"
  "......4444......"
  "......4CE4......"
  "......4CE4......"
  "......4CE4......"
  "...4444CE4444..."
  "....4CCCECC4...."
  ".....4CCCC4....."
  "..000004400000.."
  "..033333333330.."
  "..0BBBB33BBBB0.."
  "..0BBBB33BBBB0.."
  "..0BBBB33BBBB0.."
  "..0BBBB33BBBB0.."
  "..000000000000.."
  "................")

# The 16 colours as blue, green, red (a DIB palette's order).
set(PALETTE
  "00 00 00" "00 00 80" "00 80 00" "00 80 80" "80 00 00" "80 00 80" "80 80 00" "C0 C0 C0"
  "80 80 80" "00 00 FF" "00 FF 00" "00 FF FF" "FF 00 00" "FF 00 FF" "FF FF 00" "FF FF FF")

# Appends the little-endian bytes of value (width bytes) to the list out.
function(append_le out value width)
  set(bytes ${${out}})
  foreach(i RANGE 1 ${width})
    math(EXPR byte "${value} & 255")
    math(EXPR value "${value} >> 8")
    list(APPEND bytes ${byte})
  endforeach()
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# icon_image(OUT SIZE ART...): the bytes of one RT_ICON image.
function(icon_image out size)
  set(art ${ARGN})
  set(bytes "")
  # BITMAPINFOHEADER: the height counts colour bits and mask together.
  math(EXPR doubleHeight "${size} * 2")
  math(EXPR colourBytes "${size} * ${size} / 2")
  append_le(bytes 40 4)
  append_le(bytes ${size} 4)
  append_le(bytes ${doubleHeight} 4)
  append_le(bytes 1 2)        # planes
  append_le(bytes 4 2)        # bits per pixel
  append_le(bytes 0 4)        # BI_RGB
  append_le(bytes ${colourBytes} 4)
  append_le(bytes 0 16)       # resolution and colour counts
  foreach(colour IN LISTS PALETTE)
    string(REPLACE " " ";" channels "${colour}")
    foreach(channel IN LISTS channels)
      math(EXPR value "0x${channel}")
      list(APPEND bytes ${value})
    endforeach()
    list(APPEND bytes 0)
  endforeach()

  # Rows are stored bottom-up. Colour rows of 4-bit pixels; mask rows of
  # 1-bit pixels padded to 32 bits (set bit: transparent).
  math(EXPR last "${size} - 1")
  math(EXPR maskRowBytes "((${size} + 31) / 32) * 4")
  set(mask "")
  foreach(row RANGE ${last} 0 -1)
    list(GET art ${row} line)
    string(LENGTH "${line}" lineLength)
    if(NOT lineLength EQUAL size)
      message(FATAL_ERROR "icon row ${row} of the ${size} image has ${lineLength} pixels")
    endif()
    set(maskRow "")
    set(maskByte 0)
    foreach(x RANGE 0 ${last} 2)
      math(EXPR x1 "${x} + 1")
      string(SUBSTRING "${line}" ${x} 1 p0)
      string(SUBSTRING "${line}" ${x1} 1 p1)
      set(pair 0)
      foreach(p p0 p1)
        math(EXPR pair "${pair} << 4")
        math(EXPR maskByte "(${maskByte} << 1) & 255")
        if("${${p}}" STREQUAL ".")
          math(EXPR maskByte "${maskByte} | 1")
        else()
          math(EXPR pair "${pair} | 0x${${p}}")
        endif()
      endforeach()
      list(APPEND bytes ${pair})
      math(EXPR filled "(${x} + 2) % 8")
      if(filled EQUAL 0)
        list(APPEND maskRow ${maskByte})
        set(maskByte 0)
      endif()
    endforeach()
    list(LENGTH maskRow maskLength)
    while(maskLength LESS maskRowBytes)
      list(APPEND maskRow 0)
      math(EXPR maskLength "${maskLength} + 1")
    endwhile()
    list(APPEND mask ${maskRow})
  endforeach()
  list(APPEND bytes ${mask})
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# Resource script data: little-endian 16-bit words (every block has an even
# length).
function(rc_words out)
  set(bytes ${ARGN})
  list(LENGTH bytes count)
  math(EXPR odd "${count} % 2")
  if(odd)
    message(FATAL_ERROR "icon data of odd length")
  endif()
  set(text "")
  set(column 0)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET bytes ${i} low)
    list(GET bytes ${j} high)
    math(EXPR word "${low} + (${high} << 8)" OUTPUT_FORMAT HEXADECIMAL)
    if(i LESS last AND j LESS last)
      string(APPEND text "${word}, ")
    else()
      string(APPEND text "${word}")
    endif()
    math(EXPR column "${column} + 1")
    if(column EQUAL 12)
      string(APPEND text "\n  ")
      set(column 0)
    endif()
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

icon_image(image32 32 ${ART_32})
icon_image(image16 16 ${ART_16})
list(LENGTH image32 size32)
list(LENGTH image16 size16)

# The group: header (reserved, type 1 = icon, count) and one entry per image
# (width, height, colours, reserved, planes, bits, size, resource id).
set(group "")
append_le(group 0 2)
append_le(group 1 2)
append_le(group 2 2)
foreach(entry "32;${size32};1" "16;${size16};2")
  list(GET entry 0 side)
  list(GET entry 1 bytes)
  list(GET entry 2 id)
  list(APPEND group ${side} ${side} 16 0)
  append_le(group 1 2)
  append_le(group 4 2)
  append_le(group ${bytes} 4)
  append_le(group ${id} 2)
endforeach()

rc_words(words32 ${image32})
rc_words(words16 ${image16})
rc_words(wordsGroup ${group})
file(WRITE "${OUT}.tmp" "// Generated by make_icon.cmake. Do not edit.
// The program icon: images 1 (32 x 32) and 2 (16 x 16), 16 colours, group 108.
1 3
BEGIN
  ${words32}
END

2 3
BEGIN
  ${words16}
END

108 14
BEGIN
  ${wordsGroup}
END
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.tmp" "${OUT}")
file(REMOVE "${OUT}.tmp")
