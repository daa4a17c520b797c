# cmake -DINPUT=FILE -DOUTPUT=FILE -P WindowsText.cmake
# Writes a UTF-8 text as Windows' own editors expect it: a byte-order mark
# first and CR LF after every line.
file(READ ${INPUT} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 byte_order_mark)
file(WRITE ${OUTPUT} "${byte_order_mark}${text}")
