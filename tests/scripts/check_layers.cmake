# SPDX-License-Identifier: MIT
# Run as: cmake -DSOURCE_DIR=<repository> -P check_layers.cmake
# Each layer includes only its own headers and those of the layers below it:
# platform nothing above it, assets the platform, state nothing of the demo's,
# scenes state, assets and platform, app all of them. (The link checks catch
# calls upwards; this catches an upward include that needs no call, such as
# a constant or an inline function.)
set(forbidden_platform "app/|assets/|scenes/|state/")
set(forbidden_assets "app/|scenes/|state/")
set(forbidden_state "app/|assets/|platform/|scenes/")
set(forbidden_scenes "app/")

set(wrong "")
foreach(layer platform assets state scenes)
  file(GLOB files ${SOURCE_DIR}/src/${layer}/*.h ${SOURCE_DIR}/src/${layer}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"(${forbidden_${layer}})")
    foreach(line ${includes})
      file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
      string(APPEND wrong "  ${name}: ${line}\n")
    endforeach()
  endforeach()
endforeach()

if(wrong)
  message(FATAL_ERROR "Includes from a higher layer:\n${wrong}")
endif()
