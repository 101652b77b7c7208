# Checks that every layer can include the headers of exactly the layers it
# links: with the include directories its sources are compiled with, a
# header of each layer it links is found, and one of each other layer is not.
# Run as
#   cmake -DCOMPILER=... -DLAYERS_FILE=... -DSOURCE_ROOT=... -DWORK=... -P check_layers.cmake
# LAYERS_FILE holds one line per layer, three fields separated by tabs: the
# layer, the layers it links (itself included) and its include directories,
# each list separated by '|'.
file(STRINGS ${LAYERS_FILE} lines)
set(layers)
foreach(line IN LISTS lines)
  string(REPLACE "\t" ";" fields "${line}")
  list(GET fields 0 layer)
  list(GET fields 1 seen)
  list(GET fields 2 directories)
  string(REPLACE "|" ";" sees_${layer} "${seen}")
  string(REPLACE "|" ";" directories_${layer} "${directories}")
  list(APPEND layers ${layer})
endforeach()

# Whether the preprocessor, with the include directories of layer, finds header.
function(finds layer header result)
  set(flags)
  foreach(directory IN LISTS directories_${layer})
    list(APPEND flags -I${directory})
  endforeach()
  file(WRITE ${WORK}/probe.cpp "#include \"${header}\"\n")
  execute_process(COMMAND ${COMPILER} -std=c++20 -E ${flags} ${WORK}/probe.cpp -o ${WORK}/probe.i
                  ERROR_VARIABLE errors OUTPUT_QUIET RESULT_VARIABLE ignored)
  string(FIND "${errors}" "${header}: No such file" missing)
  if(missing EQUAL -1)
    set(${result} TRUE PARENT_SCOPE)
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

set(faults)
foreach(layer IN LISTS layers)
  foreach(other IN LISTS layers)
    file(GLOB headers RELATIVE ${SOURCE_ROOT} ${SOURCE_ROOT}/${other}/*.h)
    list(SORT headers)
    list(GET headers 0 header)
    finds(${layer} ${header} found)
    list(FIND sees_${layer} ${other} linked)
    if(linked EQUAL -1 AND found)
      list(APPEND faults "${layer} can include ${header} without linking ${other}")
    elseif(NOT linked EQUAL -1 AND NOT found)
      list(APPEND faults "${layer} links ${other} but cannot include ${header}")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Layer faults:\n  ${text}")
endif()
list(JOIN layers ", " names)
message(STATUS "Every layer includes exactly the layers it links: ${names}")
