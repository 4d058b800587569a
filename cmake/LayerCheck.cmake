# Refuses an include that points upwards. Run as a script:
#   cmake -DSOURCE_DIR=<src> -DLAYERS=<lowest>,...,<highest> -P LayerCheck.cmake
# A file in a layer's folder may include its own layer and the layers listed before it;
# an include of a later layer fails, naming the file, the include and what the layer may use.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR OR NOT LAYERS)
  message(FATAL_ERROR "LayerCheck: SOURCE_DIR and LAYERS are required")
endif()

string(REPLACE "," ";" LAYERS "${LAYERS}")
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(upward "")
set(below "")
foreach(layer IN LISTS LAYERS)
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
      string(REPLACE ";" ", " allowed "${below}")
      if(allowed STREQUAL "")
        set(allowed "nothing")
      endif()
      string(APPEND upward "\n  ${shown} includes ${included}: ${layer} may include only ${allowed}")
    endforeach()
  endforeach()
  list(APPEND below ${layer})
endforeach()

if(NOT upward STREQUAL "")
  message(FATAL_ERROR "Includes must point downwards:${upward}")
endif()
