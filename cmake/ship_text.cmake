# Writes one shipped text file from its source in the project (UTF-8, LF):
#   cmake -DIN=src -DOUT=dst -DVERSION=1.0.0 -DENCODING=CP932|UTF-8 [-DCRLF=ON] -P ship_text.cmake
# "@MIRRANT_VERSION@" becomes the version; with CRLF the lines end in CR LF;
# a character the encoding cannot hold fails the build instead of being
# replaced.
file(READ "${IN}" text)
string(REPLACE "@MIRRANT_VERSION@" "${VERSION}" text "${text}")
if(CRLF)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
endif()
if(ENCODING STREQUAL "UTF-8")
  file(WRITE "${OUT}" "${text}")
  return()
endif()
file(WRITE "${OUT}.utf8" "${text}")
execute_process(COMMAND iconv -f UTF-8 -t ${ENCODING} INPUT_FILE "${OUT}.utf8" OUTPUT_FILE "${OUT}"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
file(REMOVE "${OUT}.utf8")
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "${IN}: cannot be written in ${ENCODING}: ${err}")
endif()
