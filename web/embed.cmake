# Makes the one page file: its style and script (without its lines of comment) where page.html says
# {{{ STYLE }}} and {{{ SCRIPT }}}, the version where it says {{{ VERSION }}}, and last the module, wasm and all,
# where it says {{{ MODULE }}}, as the text the page starts its workers from (last, so that nothing
# in the module is taken for a mark). A "</script" inside the module would end the element early:
# it is escaped, which leaves the JavaScript as it was.
file(READ "${PAGE}" page)
foreach(part STYLE SCRIPT)
  file(READ "${${part}}" text)
  if(part MATCHES "^SCRIPT$")
    # The script's lines of comment are for its maintainers, in the sources: the page goes without.
    string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" text "${text}")
  endif()
  string(REPLACE "{{{ ${part} }}}" "${text}" page "${page}")
endforeach()
string(REPLACE "{{{ VERSION }}}" "${VERSION}" page "${page}")
file(READ "${MODULE}" module)
string(REPLACE "</script" "<\\/script" module "${module}")
string(REPLACE "{{{ MODULE }}}" "${module}" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
