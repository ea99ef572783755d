# The sources of the IMAP store.
set(ORVANE_IMAP_STORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ConnectionFailure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImapFolder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImapMessages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImapStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Mailbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MailboxTree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Timeouts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TrustedAuthorities.cpp
)
