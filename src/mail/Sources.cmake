# The sources of the message reader; the fuzz target's own build compiles them too.
set(ORVANE_MAIL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AddressText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BodyText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Charset.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DateText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Envelope.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FolderName.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HtmlNesting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HtmlText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LineBreaks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MboxQuoting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MessageParser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PartsRead.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimpleHtmlText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UnreadFields.cpp
)
