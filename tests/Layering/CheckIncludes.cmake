# The layering the build relies on, checked on the sources:
#   - a plug-in file reaches the host only through HostInterface/: no file of the plug-in outside
#     src/Plugins/ConstraintModuleLib/HostInterface includes a header of src/Host;
#   - the host side (src/Host, src/App, src/Session, src/View) never includes a plug-in header.
# An include counts when the path it names exists in the folder it would be found in: the
# including file's own folder, src/Host, or the plug-in's folder.
#
#   cmake -DROOT=<source tree> -P CheckIncludes.cmake               checks the tree
#   cmake -DROOT=<scratch dir> -DSELF_TEST=ON -P CheckIncludes.cmake  plants one bypass of each
#                                                                      kind there and expects both found
cmake_minimum_required(VERSION 3.22)

set(PLUGIN_DIR src/Plugins/ConstraintModuleLib)
set(HOST_SIDE src/Host src/App src/Session src/View)

# The quoted and bracketed include paths of `file`, one list entry each.
function(included_paths file out)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  set(paths "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*$" "\\1" path "${line}")
    list(APPEND paths "${path}")
  endforeach()
  set(${out} "${paths}" PARENT_SCOPE)
endfunction()

# Whether `text` begins with `prefix` (paths compared as text, not as patterns).
function(begins_with text prefix out)
  string(FIND "${text}" "${prefix}" at)
  if(at EQUAL 0)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# Where `path`, included from `file`, resolves among `roots` (absolute), or "" when nowhere.
function(resolve file path out)
  get_filename_component(dir "${file}" DIRECTORY)
  foreach(root IN ITEMS "${dir}" ${ARGN})
    if(EXISTS "${root}/${path}" AND NOT IS_DIRECTORY "${root}/${path}")
      get_filename_component(found "${root}/${path}" REALPATH)
      set(${out} "${found}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

# The includes of `files` that resolve (among `roots`, after each file's own folder) to a file
# below `forbidden`, appended to the caller's list named `list_var` as "file: includes <what> path".
function(forbidden_includes root files forbidden what roots list_var)
  set(found_problems "${${list_var}}")
  foreach(file IN LISTS files)
    included_paths("${file}" paths)
    foreach(path IN LISTS paths)
      resolve("${file}" "${path}" found ${roots})
      begins_with("${found}" "${forbidden}" hit)
      if(hit)
        file(RELATIVE_PATH rel "${root}" "${file}")
        list(APPEND found_problems "${rel}: includes ${what} \"${path}\"")
      endif()
    endforeach()
  endforeach()
  set(${list_var} "${found_problems}" PARENT_SCOPE)
endfunction()

# Every violation below `root`.
function(check_tree root out)
  get_filename_component(root "${root}" REALPATH)
  set(hostRoot "${root}/src/Host")
  set(pluginRoot "${root}/${PLUGIN_DIR}")
  set(problems "")
  file(GLOB_RECURSE pluginFiles "${pluginRoot}/*.h" "${pluginRoot}/*.cpp")
  list(FILTER pluginFiles EXCLUDE REGEX "/HostInterface/[^/]*$")
  forbidden_includes("${root}" "${pluginFiles}" "${hostRoot}/" "the host header (not through HostInterface/)"
                     "${pluginRoot};${hostRoot}" problems)
  foreach(side IN LISTS HOST_SIDE)
    file(GLOB_RECURSE hostFiles "${root}/${side}/*.h" "${root}/${side}/*.cpp")
    forbidden_includes("${root}" "${hostFiles}" "${root}/src/Plugins/" "the plug-in header"
                       "${hostRoot};${pluginRoot}" problems)
  endforeach()
  set(${out} "${problems}" PARENT_SCOPE)
endfunction()

if(NOT ROOT)
  message(FATAL_ERROR "CheckIncludes.cmake: give the tree to check with -DROOT=<dir>")
endif()

if(SELF_TEST)
  # A scratch tree with one bypass of each kind, and one include that is allowed.
  file(REMOVE_RECURSE "${ROOT}")
  file(WRITE "${ROOT}/src/Host/SceneCore/MO_Node.h" "#pragma once\n")
  file(WRITE "${ROOT}/${PLUGIN_DIR}/HostInterface/HostScene.h" "#include \"SceneCore/MO_Node.h\"\n")
  file(WRITE "${ROOT}/${PLUGIN_DIR}/Core/Bypass.cpp" "#include \"HostInterface/HostScene.h\"\n#include <SceneCore/MO_Node.h>\n")
  file(WRITE "${ROOT}/src/Host/SceneCore/Reach.cpp" "#include \"Core/Bypass.cpp\"\n")
  check_tree("${ROOT}" problems)
  list(LENGTH problems count)
  if(NOT count EQUAL 2)
    message(FATAL_ERROR "the check found ${count} of the 2 planted bypasses: ${problems}")
  endif()
  message(STATUS "both planted bypasses found")
  return()
endif()

check_tree("${ROOT}" problems)
if(problems)
  list(JOIN problems "\n" text)
  message(FATAL_ERROR "includes that bypass the layering:\n${text}")
endif()
message(STATUS "plug-in reaches the host only through HostInterface/, and the host includes no plug-in header")
