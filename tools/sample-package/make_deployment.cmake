# Writes OUTPUT: the deployment file INPUT with a code-signing anchor for CA_FILE
# added as the last element of <Deployment>.
#   cmake -DINPUT=... -DCA_FILE=... -DOUTPUT=... -P make_deployment.cmake
foreach(var INPUT CA_FILE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_deployment.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" text)
string(FIND "${text}" "</Deployment>" at REVERSE)
if(at EQUAL -1)
  message(FATAL_ERROR "${INPUT} has no </Deployment> end tag")
endif()

# The path goes into an XML attribute.
set(path "${CA_FILE}")
string(REPLACE "&" "&amp;" path "${path}")
string(REPLACE "<" "&lt;" path "${path}")
string(REPLACE ">" "&gt;" path "${path}")
string(REPLACE "\"" "&quot;" path "${path}")

string(SUBSTRING "${text}" 0 ${at} head)
string(SUBSTRING "${text}" ${at} -1 tail)
file(WRITE "${OUTPUT}" "${head}  <CodeSigningTrustAnchor file=\"${path}\"/>\n${tail}")
