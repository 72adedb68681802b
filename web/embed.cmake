# Puts the module, wasm and all, into the page where it says {{{ SCRIPT }}}. A "</script" inside
# the module would end the script element early: it is escaped.
file(READ "${MODULE}" module)
string(REPLACE "</script" "<\\/script" module "${module}")
file(READ "${PAGE}" page)
string(REPLACE "{{{ SCRIPT }}}" "<script>\n${module}\n</script>" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
