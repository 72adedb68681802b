# Makes the one page file: its style and script (without their comments and the indentation of their
# lines, which are for the maintainers, in the sources) where page.html says
# {{{ STYLE }}} and {{{ SCRIPT }}}, the version where it says {{{ VERSION }}}, and last the module, wasm and all,
# where it says {{{ MODULE }}}, as the text the page starts its workers from (last, so that nothing
# in the module is taken for a mark). A "</script" inside the module would end the element early:
# it is escaped, which leaves the JavaScript as it was.
file(READ "${PAGE}" page)
foreach(part STYLE SCRIPT)
  file(READ "${${part}}" text)
  if(part MATCHES "^SCRIPT$")
    string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" text "${text}")
  else()
    # CSS has no comment inside its strings here; a comment ends at the first "*/" after it.
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" text "${text}")
  endif()
  # No string in either spans lines, so a line's leading blanks are never part of one.
  string(REGEX REPLACE "\n[ \t]+" "\n" text "${text}")
  string(REPLACE "{{{ ${part} }}}" "${text}" page "${page}")
endforeach()
string(REPLACE "{{{ VERSION }}}" "${VERSION}" page "${page}")
file(READ "${MODULE}" module)
string(REPLACE "</script" "<\\/script" module "${module}")
string(REPLACE "{{{ MODULE }}}" "${module}" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
