# Every include runs downward: a folder uses its own headers and those of the
# folders below it, never one above; the core folders never include Qt.
#   cmake -DSOURCE_DIR=<top of the tree> -P scripts/check-layers.cmake
# The suite runs it (test layering); a failure names the file and the include.

# folder: the folders below it that it may include from.
set(LAYERS
  "protocol:"
  "response:"
  "Serial:"
  "audio:"
  "tuning:response"
  "model:protocol,response,tuning"
  "measure:response,tuning"
  "link:model,protocol,response,tuning,Serial"
  "sim:audio,model,protocol,response,tuning"
  "tools/vardenctl:audio,link,measure,model,protocol,response,tuning,Serial,sim"
  "controls:link,model,protocol,response,tuning,Serial"
  "app:audio,controls,link,measure,model,protocol,response,tuning,Serial,sim"
  "tools/gallery:app,audio,controls,link,measure,model,protocol,response,tuning,Serial,sim")
# Standard library and POSIX only below the window.
set(CORE protocol response Serial audio tuning measure model link sim tools/vardenctl)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "give -DSOURCE_DIR=<top of the tree>")
endif()

# Which folder each header belongs to.
set(FOLDERS "")
foreach(layer IN LISTS LAYERS)
  string(REGEX REPLACE ":.*" "" folder "${layer}")
  list(APPEND FOLDERS ${folder})
  file(GLOB headers RELATIVE "${SOURCE_DIR}/${folder}" "${SOURCE_DIR}/${folder}/*.h")
  foreach(header IN LISTS headers)
    set("OWNER_${header}" "${folder}")
  endforeach()
endforeach()

set(PROBLEMS 0)
foreach(layer IN LISTS LAYERS)
  string(REGEX REPLACE ":.*" "" folder "${layer}")
  string(REGEX REPLACE "^[^:]*:" "" below "${layer}")
  string(REPLACE "," ";" below "${below}")
  list(FIND CORE "${folder}" core_index)
  file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" header "${line}")
      if(core_index GREATER_EQUAL 0 AND header MATCHES "^Q[A-Za-z]*(/|$|\\.h$)")
        message(SEND_ERROR "${name}: includes ${header}; the core folders do without Qt")
        math(EXPR PROBLEMS "${PROBLEMS} + 1")
      endif()
      set(owner "${OWNER_${header}}")
      if(owner STREQUAL "" OR owner STREQUAL folder)
        continue()
      endif()
      list(FIND below "${owner}" index)
      if(index LESS 0)
        message(SEND_ERROR "${name}: includes ${header} from ${owner}/, which is not below ${folder}/")
        math(EXPR PROBLEMS "${PROBLEMS} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

# A folder of sources the table does not know has no place in the order yet.
file(GLOB candidates LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*" "${SOURCE_DIR}/tools/*")
foreach(candidate IN LISTS candidates)
  if(candidate MATCHES "^(tests|fuzz|bench|build.*|packaging|scripts|docs|tools)$" OR NOT IS_DIRECTORY "${SOURCE_DIR}/${candidate}")
    continue()
  endif()
  file(GLOB own "${SOURCE_DIR}/${candidate}/*.cpp")
  list(FIND FOLDERS "${candidate}" index)
  if(own AND index LESS 0)
    message(SEND_ERROR "${candidate}/ holds sources but has no place in the order of folders")
    math(EXPR PROBLEMS "${PROBLEMS} + 1")
  endif()
endforeach()

if(PROBLEMS GREATER 0)
  message(FATAL_ERROR "${PROBLEMS} includes run against the order of the folders")
endif()
message(STATUS "every include runs downward")
