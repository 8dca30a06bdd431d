# Icon, version resources and (for the window) the manifest of the Windows programs.

# The icon, drawn from the same SVG as the Linux one at the sizes Explorer and the taskbar ask
# for; the largest is kept as PNG inside the .ico, as Windows expects from 256 pixels up.
find_program(VARNELL_RSVG_CONVERT rsvg-convert)
find_program(VARNELL_ICOTOOL icotool)
if(NOT VARNELL_RSVG_CONVERT OR NOT VARNELL_ICOTOOL)
  message(FATAL_ERROR "The Windows icon needs rsvg-convert (librsvg2-bin) and icotool (icoutils)")
endif()
set(VARNELL_ICON_SVG ${PROJECT_SOURCE_DIR}/data/icons/invalid.varnell.varnell.svg)
set(VARNELL_ICON ${CMAKE_BINARY_DIR}/windows/varnell.ico)
set(VARNELL_ICON_PNGS)
set(VARNELL_ICON_COMMANDS)
foreach(Size 16 20 24 32 40 48 64 128 256)
  set(Png ${CMAKE_BINARY_DIR}/windows/icon-${Size}.png)
  list(APPEND VARNELL_ICON_COMMANDS
    COMMAND ${VARNELL_RSVG_CONVERT} -w ${Size} -h ${Size} -o ${Png} ${VARNELL_ICON_SVG})
  if(Size EQUAL 256)
    list(APPEND VARNELL_ICON_PNGS -r ${Png})
  else()
    list(APPEND VARNELL_ICON_PNGS ${Png})
  endif()
endforeach()
add_custom_command(OUTPUT ${VARNELL_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/windows
  ${VARNELL_ICON_COMMANDS}
  COMMAND ${VARNELL_ICOTOOL} -c -o ${VARNELL_ICON} ${VARNELL_ICON_PNGS}
  DEPENDS ${VARNELL_ICON_SVG}
  COMMENT "Drawing the Windows icon")
add_custom_target(varnell_windows_icon DEPENDS ${VARNELL_ICON})

# Gives Target (a program) the icon and version resources; MANIFEST names a manifest template
# to build in as well.
function(varnell_windows_resources Target Description)
  cmake_parse_arguments(PARSE_ARGV 2 Arg "" "MANIFEST" "")
  set(VARNELL_RC_NAME ${Target})
  set(VARNELL_RC_DESCRIPTION ${Description})
  set(VARNELL_RC_ICON ${VARNELL_ICON})
  set(VARNELL_RC_MANIFEST_LINE "")
  set(Folder ${CMAKE_BINARY_DIR}/windows/${Target})
  if(Arg_MANIFEST)
    configure_file(${Arg_MANIFEST} ${Folder}/${Target}.exe.manifest @ONLY)
    # 1 = the process's own manifest, 24 = RT_MANIFEST.
    set(VARNELL_RC_MANIFEST_LINE "1 24 \"${Folder}/${Target}.exe.manifest\"")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/app/windows/Program.rc.in ${Folder}/${Target}.rc @ONLY)
  target_sources(${Target} PRIVATE ${Folder}/${Target}.rc)
  set_property(SOURCE ${Folder}/${Target}.rc APPEND PROPERTY OBJECT_DEPENDS ${VARNELL_ICON})
  add_dependencies(${Target} varnell_windows_icon)
endfunction()
