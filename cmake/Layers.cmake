# Each folder of src/ is one library, a layer. Its consumers see its headers
# as "<folder>/Name.h" through an include root of its own that holds nothing
# else, and they see only the layers they link: a source that includes a
# header of a layer its library does not link fails to compile.
#
# varnetta_layer(<folder> SOURCES <files>... [LINKS <targets>...])
# makes the library varnetta_<folder> from the current source directory.
function(varnetta_layer folder)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "SOURCES;LINKS")
  set(target varnetta_${folder})
  add_library(${target} STATIC ${LAYER_SOURCES})
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${LAYER_LINKS})

  # What the layer sees, for the test that checks that nothing else is seen.
  set(sees ${folder})
  foreach(link IN LISTS LAYER_LINKS)
    if(link MATCHES "^varnetta_(.+)$")
      get_property(linkSees GLOBAL PROPERTY VARNETTA_LAYER_SEES_${CMAKE_MATCH_1})
      list(APPEND sees ${linkSees})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES sees)
  set_property(GLOBAL PROPERTY VARNETTA_LAYER_SEES_${folder} ${sees})
  set_property(GLOBAL APPEND PROPERTY VARNETTA_LAYERS ${folder})
endfunction()
