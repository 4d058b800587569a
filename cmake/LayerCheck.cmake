# Refuses an include that points upwards or sideways. Run as a script:
#   cmake -DSOURCE_DIR=<src> -DLAYERS=<lowest>,...,<highest> -P LayerCheck.cmake
# A file in a layer's folder may include its own layer and the layers listed before it;
# an include of a later layer fails, naming the file, the include and what the layer may use.
# Peers share one place in the list, joined by "|" (a|b): each may include the layers before
# them, but not the other.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR OR NOT LAYERS)
  message(FATAL_ERROR "LayerCheck: SOURCE_DIR and LAYERS are required")
endif()

string(REPLACE "," ";" RANKS "${LAYERS}")
string(REPLACE "|" ";" LAYERS "${RANKS}")
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(upward "")
set(below "")
foreach(rank IN LISTS RANKS)
  string(REPLACE "|" ";" peers "${rank}")
  foreach(layer IN LISTS peers)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    foreach(file IN LISTS files)
      file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z0-9_]+/")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/.*" "\\1" target "${line}")
        if(target STREQUAL layer OR NOT target IN_LIST LAYERS OR target IN_LIST below)
          continue()
        endif()
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
        if(below STREQUAL "")
          set(allowed "no other layer")
        else()
          string(REPLACE ";" ", " allowed "${below}")
          set(allowed "only ${allowed}")
        endif()
        string(APPEND upward "\n  ${shown} includes ${included}: ${layer} may include ${allowed}")
      endforeach()
    endforeach()
  endforeach()
  list(APPEND below ${peers})
endforeach()

if(NOT upward STREQUAL "")
  message(FATAL_ERROR "Includes must point downwards:${upward}")
endif()
