# Writes the build stamp header OUTPUT: the current moment in the compiler's __DATE__ and
# __TIME__ forms ("Sep  7 2023", "22:30:08").
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
string(TIMESTAMP month "%m")
math(EXPR month_index "${month} - 1")
list(GET months ${month_index} month_name)
string(TIMESTAMP day "%d")
string(REGEX REPLACE "^0" " " day "${day}")
string(TIMESTAMP year "%Y")
string(TIMESTAMP time "%H:%M:%S")
file(WRITE "${OUTPUT}"
  "// Written by the build whenever a source of the program changed.\n"
  "#pragma once\n"
  "#define TABEL_BUILD_DATE \"${month_name} ${day} ${year}\"\n"
  "#define TABEL_BUILD_TIME \"${time}\"\n")
