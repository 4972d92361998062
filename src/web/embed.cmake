# Writes OUT: one C++ character array per file given in FILES (pairs of
# name and path, separated by '|'), holding the file's text, so the player
# stays readable in its own files and travels inside the program.
set(text "// Generated from src/web by embed.cmake; edit the files there.\n#include \"web/webresources.h\"\n\nnamespace quenvar::web {\n")
string(REPLACE "|" ";" FILES "${FILES}")
list(LENGTH FILES count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET FILES ${i} name)
  list(GET FILES ${j} path)
  file(READ ${path} content)
  string(APPEND text "\nextern const char ${name}[] = R\"quenvar_embed(${content})quenvar_embed\";\n")
endforeach()
string(APPEND text "\n}  // namespace quenvar::web\n")
file(WRITE ${OUT} "${text}")
