# The folders of the program as layers: one static library each, linked only to the layers it
# uses, and a check before each library is compiled that none of its files includes a header
# of a layer it may not use.

# Every folder whose headers the check knows; includes of other paths (system, Qt, generated)
# are not its business.
set(VARNELL_LAYER_FOLDERS app forms cli plot report results analysis engine device platform text)

# varnell_layer(NAME SOURCES file... [USES layer...]): the library varnell_NAME of the folder
# NAME. It may include the headers of the layers it uses and, transitively, of theirs.
function(varnell_layer Name)
  cmake_parse_arguments(PARSE_ARGV 1 Layer "" "" "SOURCES;USES")
  add_library(varnell_${Name} STATIC ${Layer_SOURCES})
  target_include_directories(varnell_${Name} PUBLIC ${PROJECT_SOURCE_DIR})
  # The header-only libraries from Debian's packages, offered to every layer the same way.
  target_link_libraries(varnell_${Name} PUBLIC varnell_third_party)
  set(Allowed ${Name})
  foreach(Used ${Layer_USES})
    if(NOT TARGET varnell_${Used})
      message(FATAL_ERROR "layer ${Name} uses ${Used}, which is not (yet) a layer: define the layers bottom up")
    endif()
    target_link_libraries(varnell_${Name} PUBLIC varnell_${Used})
    get_property(UsedAllowed GLOBAL PROPERTY VARNELL_LAYER_ALLOWS_${Used})
    list(APPEND Allowed ${UsedAllowed})
  endforeach()
  list(REMOVE_DUPLICATES Allowed)
  set_property(GLOBAL PROPERTY VARNELL_LAYER_ALLOWS_${Name} ${Allowed})

  file(GLOB_RECURSE Files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${Name}/*.h
       ${PROJECT_SOURCE_DIR}/${Name}/*.cpp)
  set(Stamp ${CMAKE_BINARY_DIR}/layers/${Name}.checked)
  string(REPLACE ";" "," AllowedText "${Allowed}")
  string(REPLACE ";" "," FoldersText "${VARNELL_LAYER_FOLDERS}")
  add_custom_command(OUTPUT ${Stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${Name} -DFOLDER=${PROJECT_SOURCE_DIR}/${Name}
            -DALLOWED=${AllowedText} -DFOLDERS=${FoldersText} -DSTAMP=${Stamp}
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    DEPENDS ${Files} ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    COMMENT "Checking the includes of ${Name}/ against the layers' direction"
    VERBATIM)
  add_custom_target(varnell_${Name}_layer_check DEPENDS ${Stamp})
  add_dependencies(varnell_${Name} varnell_${Name}_layer_check)
endfunction()
