# Creates an empty timer.ini at INI_FILE unless a file is already there.
if(NOT INI_FILE)
  message(FATAL_ERROR "INI_FILE not set")
endif()
if(NOT EXISTS "${INI_FILE}" AND NOT IS_SYMLINK "${INI_FILE}")
  file(WRITE "${INI_FILE}" "")
endif()
