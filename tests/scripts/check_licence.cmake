# SPDX-License-Identifier: MIT
# Run as: cmake -DSOURCE_DIR=<repository> -P check_licence.cmake
# Every source, script and CMake file names its licence in its first comment
# line (after a script's #! line), so that a file copied out of the tree
# still says under which terms it may be used.
set(patterns "")
foreach(dir src tools tests fuzz bench scripts packaging cmake)
  list(APPEND patterns ${SOURCE_DIR}/${dir}/*.cpp ${SOURCE_DIR}/${dir}/*.h
       ${SOURCE_DIR}/${dir}/*.sh ${SOURCE_DIR}/${dir}/*.cmake ${SOURCE_DIR}/${dir}/CMakeLists.txt)
endforeach()
file(GLOB_RECURSE files ${patterns})
list(APPEND files ${SOURCE_DIR}/CMakeLists.txt ${SOURCE_DIR}/.ci/run)

set(missing "")
foreach(file ${files})
  file(STRINGS ${file} head LIMIT_COUNT 2)
  list(GET head 0 first)
  set(line "${first}")
  if(first MATCHES "^#!")
    list(LENGTH head count)
    set(line "")
    if(count GREATER 1)
      list(GET head 1 line)
    endif()
  endif()
  if(NOT line MATCHES "^(//|#) SPDX-License-Identifier: MIT$")
    file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
    string(APPEND missing "  ${name}\n")
  endif()
endforeach()

if(missing)
  message(FATAL_ERROR "Files whose first comment line is not 'SPDX-License-Identifier: MIT':\n${missing}")
endif()
