# Writes duskferry-cli's man page from its own --help, so that the two never
# drift: the usage lines are the SYNOPSIS, the rest the DESCRIPTION.
#   cmake -DCLI=path/to/duskferry-cli -DOUT=duskferry-cli.1 -DVERSION=x -P ManPage.cmake
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "duskferry-cli --help failed: ${status}")
endif()
# roff: a line that begins with a dot or a quote is a request; backslashes escape.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "${help}")
string(FIND "${help}" "\n\n" split)
string(SUBSTRING "${help}" 0 ${split} usage)
math(EXPR rest "${split} + 2")
string(SUBSTRING "${help}" ${rest} -1 description)
string(REPLACE "Usage:\n" "" usage "${usage}")
file(WRITE ${OUT} ".TH DUSKFERRY-CLI 1 \"\" \"Duskferry ${VERSION}\" \"User Commands\"
.SH NAME
duskferry-cli \\- copy, compare, drop and rename tables between Oracle and IBM DB2
.SH SYNOPSIS
.nf
${usage}
.fi
.SH DESCRIPTION
Runs the table manager's operations of
.BR duskferry (1)
for scripts, on the logins the windows keep. Results go to standard output,
messages to standard error.
.PP
.nf
${description}.fi
.SH SEE ALSO
.BR duskferry (1);
the documentation in the source's docs/ folder.
")
