# Copies the delivered files from data/ beside the program. Files the program changes at run
# time (FUELLWERK.INI, the definition tables, the sample table) are copied only when missing,
# so a rebuild does not undo what the user did.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(rel ${files})
  if(rel STREQUAL "README.md")
    continue()
  endif()
  set(dst ${DST}/${rel})
  get_filename_component(dir ${dst} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  if(rel STREQUAL "FUELLWERK.INI" OR rel MATCHES "^TestDaten/")
    if(NOT EXISTS ${dst})
      file(COPY_FILE ${SRC}/${rel} ${dst})
    endif()
  else()
    file(COPY_FILE ${SRC}/${rel} ${dst} ONLY_IF_DIFFERENT)
  endif()
endforeach()
