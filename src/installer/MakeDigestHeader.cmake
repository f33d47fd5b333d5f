# Writes the header that holds s_ValidFCDigest. Run at build time with
#   -DDIGEST=<32 hex digits or empty> -DDIGEST_FILE=<file or empty>
#   -DTEMPLATE=<MyValidFCDigest.h.in> -DOUTPUT=<header>
# A DIGEST_FILE that exists wins (its first 32 hex digits, so md5sum output
# works); then DIGEST; else the digest is all zeros, which no fc.bin has in
# practice, so every installation fails until a real digest is given. The
# header is rewritten only when its content changes.
set(hex "")
if(DIGEST_FILE AND EXISTS "${DIGEST_FILE}")
  file(READ "${DIGEST_FILE}" text)
  string(REGEX MATCH "[0-9a-fA-F]+" hex "${text}")
  string(LENGTH "${hex}" length)
  if(NOT length EQUAL 32)
    message(FATAL_ERROR "${DIGEST_FILE} does not start with a 32-digit MD5 digest")
  endif()
elseif(DIGEST)
  set(hex "${DIGEST}")
  if(NOT hex MATCHES "^[0-9a-fA-F]+$")
    message(FATAL_ERROR "ZV_FC_DIGEST must be 32 hexadecimal digits")
  endif()
  string(LENGTH "${hex}" length)
  if(NOT length EQUAL 32)
    message(FATAL_ERROR "ZV_FC_DIGEST must be 32 hexadecimal digits")
  endif()
else()
  set(hex "00000000000000000000000000000000")
endif()
string(TOLOWER "${hex}" hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " ZV_FC_DIGEST_BYTES "${hex}")
string(REGEX REPLACE ", $" "" ZV_FC_DIGEST_BYTES "${ZV_FC_DIGEST_BYTES}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
