# Writes OUTPUT: a C++ source holding every l10n/core.<language>.txt as bytes, so that the
# catalogues need no file beside the installed program (also in the Windows build).
file(GLOB Catalogues "${SOURCE_DIR}/l10n/core.*.txt")
list(SORT Catalogues)
set(Body "")
set(Table "")
set(Index 0)
foreach(Catalogue IN LISTS Catalogues)
  get_filename_component(Name "${Catalogue}" NAME)
  string(REGEX REPLACE "^core\\.(.*)\\.txt$" "\\1" Language "${Name}")
  file(READ "${Catalogue}" Hex HEX)
  string(LENGTH "${Hex}" HexLength)
  math(EXPR Size "${HexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," Bytes "${Hex}")
  string(APPEND Body "const char Catalogue${Index}[] = {${Bytes} 0};\n")
  string(APPEND Table "      {\"${Language}\", std::string_view(Catalogue${Index}, ${Size})},\n")
  math(EXPR Index "${Index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from l10n/core.*.txt; edit those files.\n"
  "#include \"text/Text.Catalogue.Data.h\"\n\nnamespace {\n${Body}}  // namespace\n\n"
  "const std::vector<TBuiltInCatalogueText>& BuiltInCatalogueTexts() {\n"
  "  static const std::vector<TBuiltInCatalogueText> All{\n${Table}  };\n  return All;\n}\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
