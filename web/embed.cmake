# Puts the module, wasm and all, into the page where it says {{{ MODULE }}}, as the text the page
# starts its workers from, and the version where it says {{{ VERSION }}}. A "</script" inside the
# module would end the element early: it is escaped, which leaves the JavaScript as it was.
file(READ "${MODULE}" module)
string(REPLACE "</script" "<\\/script" module "${module}")
file(READ "${PAGE}" page)
string(REPLACE "{{{ MODULE }}}" "${module}" page "${page}")
string(REPLACE "{{{ VERSION }}}" "${VERSION}" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
