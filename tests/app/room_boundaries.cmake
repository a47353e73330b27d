# cmake -DROOT=<source dir> -P room_boundaries.cmake
# The rooms' libraries are static, so reaching into another room through its header would
# still build and link in every executable; this check is what keeps the rooms apart:
#   - a room includes only itself and common; common includes only itself;
#   - the pairs in `allowed` below are the exceptions, for headers outside ui/ folders only:
#     security observes the machine through the apps and startup rooms' scanners instead of
#     reading those places a second time;
#   - the shell may include any room, but not the screenshots; the screenshots may include all;
#   - outside ui/ folders: no Qt and no ui/ header.
if(NOT ROOT)
  message(FATAL_ERROR "room_boundaries: pass -DROOT=<source dir>")
endif()

cmake_policy(SET CMP0057 NEW)  # if(... IN_LIST ...) in script mode
# "<room>:<room it may include>"
set(allowed "security:apps" "security:startup")

file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/app/*.h" "${ROOT}/app/*.cpp")
set(violations "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^app/([^/]+)/" _ "${source}")
  set(room "${CMAKE_MATCH_1}")
  if(room STREQUAL "")
    list(APPEND violations "${source}: outside every room")
    continue()
  endif()
  string(FIND "${source}" "/ui/" ui_position)
  file(STRINGS "${ROOT}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header "${line}")
    if(ui_position EQUAL -1 AND (header MATCHES "^Q[A-Za-z]*$" OR header MATCHES "^Qt" OR header MATCHES "^app/.*/ui/"))
      list(APPEND violations "${source}: ${header} outside a ui/ folder")
    endif()
    if(NOT header MATCHES "^app/([^/]+)/")
      continue()
    endif()
    set(target "${CMAKE_MATCH_1}")
    if(target STREQUAL room OR target STREQUAL "common" OR room STREQUAL "screenshots" 
       OR ("${room}:${target}" IN_LIST allowed AND NOT header MATCHES "^app/[^/]+/ui/") OR (room STREQUAL "shell" AND NOT target STREQUAL "screenshots"))
      continue()
    endif()
    list(APPEND violations "${source}: the ${room} room includes ${header}")
  endforeach()
endforeach()

list(LENGTH sources checked)
if(checked EQUAL 0)
  message(FATAL_ERROR "room_boundaries: no sources under ${ROOT}/app")
endif()
if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "room_boundaries: a room reaches past common:\n  ${text}")
endif()
message(STATUS "room_boundaries: ${checked} files keep to their rooms")
