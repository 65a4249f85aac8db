# pagelune_html_entities(<target>): the named character references of HTML,
# kept as data (data/html-entities.txt, written once by
# tools/html-entities.py), embedded as a string literal that
# src/text/HtmlEntity.cpp includes and reads into its table at first use.
function(pagelune_html_entities target root)
  file(READ ${root}/data/html-entities.txt entities)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/HtmlEntities.inc
    CONTENT "R\"entities(@entities@)entities\"\n" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${root}/data/html-entities.txt)
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated)
endfunction()
