# Desktop menu entries of the suite's programs, written at install time so that
# they name the programs where `cmake --install --prefix` really puts them.
#
# The values follow the desktop-entry rules:
# - Exec: an argument holding a reserved character (blank, tab, newline, one of
#   " ' \ > < ~ | & ; $ * ? # ( ) `) is put in double quotes, inside which " ` $
#   and \ take a backslash; a literal "%" is written "%%";
# - every value is then a string, in which "\" is written "\\" and a newline,
#   tab or carriage return "\n", "\t", "\r".

# The string escapes of a value.
function(tessaly_desktop_string text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  string(REPLACE "\r" "\\r" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The Exec value that runs the program at `path` with no arguments.
function(tessaly_desktop_exec path out)
  set(argument "${path}")
  if(argument MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
    string(REPLACE "\\" "\\\\" argument "${argument}")
    string(REPLACE "\"" "\\\"" argument "${argument}")
    string(REPLACE "`" "\\`" argument "${argument}")
    string(REPLACE "$" "\\$" argument "${argument}")
    set(argument "\"${argument}\"")
  endif()
  string(REPLACE "%" "%%" argument "${argument}")
  tessaly_desktop_string("${argument}" argument)
  set(${out} "${argument}" PARENT_SCOPE)
endfunction()

# Writes the entry of `program`, installed in `folder`, to `file`.
function(tessaly_write_desktop_entry file program folder name comment categories)
  tessaly_desktop_exec("${folder}/${program}" exec)
  tessaly_desktop_string("${folder}" path)
  file(WRITE "${file}"
    "[Desktop Entry]\n"
    "Type=Application\n"
    "Name=${name}\n"
    "Comment=${comment}\n"
    "Exec=${exec}\n"
    "Path=${path}\n"
    "Icon=tessaly-${program}\n"
    "Terminal=false\n"
    "Categories=${categories}\n")
endfunction()
