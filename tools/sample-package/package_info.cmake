# Writes OUTPUT: the MD5 and size of PACKAGE, for people setting up a server by hand.
#   cmake -DPACKAGE=... -DOUTPUT=... -P package_info.cmake
file(MD5 "${PACKAGE}" md5)
file(SIZE "${PACKAGE}" size)
get_filename_component(name "${PACKAGE}" NAME)
file(WRITE "${OUTPUT}" "file ${name}\nmd5 ${md5}\nsize ${size}\n")
