# The message template's three steps, run by the build (resources/locale/CMakeLists.txt):
#   MODE=extract  xgettext over the sources and the uic headers listed in POT_DIR/sources.txt
#                 into EXTRACTED
#   MODE=check    fails when EXTRACTED and the committed template COMMITTED hold other message
#                 ids (references and order do not count)
#   MODE=update   copies EXTRACTED over COMMITTED
cmake_minimum_required(VERSION 3.25)

set(UPDATE_HINT "cmake --build <build folder> --target update-pot")

function(message_count file out)
  file(READ ${file} text)
  string(REGEX MATCHALL "\nmsgid " ids "${text}")
  list(LENGTH ids n)
  math(EXPR n "${n} - 1") # the header
  set(${out} ${n} PARENT_SCOPE)
endfunction()

# The message ids of a .po file, one a line, for the build log.
function(message_ids file out)
  file(READ ${file} text)
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REGEX MATCHALL "msgid [^\n]*(\n\"[^\n]*)*" ids "${text}")
  list(JOIN ids "\n  " text)
  string(REPLACE "<semicolon>" ";" text "${text}")
  set(${out} "  ${text}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "extract")
  set(tmp ${EXTRACTED}.tmp)
  execute_process(
    COMMAND ${XGETTEXT} --qt --language=C++ --from-code=UTF-8 --no-wrap --add-location=file --force-po
            --keyword --keyword=tr --keyword=translate:2 --keyword=QT_TR_NOOP --keyword=QT_TRANSLATE_NOOP:2
            "--package-name=Skyloom GUI" --package-version=${VERSION}
            --directory=${SOURCE_DIR} --directory=${POT_DIR} --files-from=${POT_DIR}/sources.txt --output=${tmp}
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "xgettext failed")
  endif()
  # References name the layouts rather than the headers made of them.
  file(READ ${tmp} text)
  string(REGEX REPLACE "ui_([A-Za-z0-9_]+)\\.h" "resources/ui/\\1.ui" text "${text}")
  string(REPLACE "charset=CHARSET" "charset=UTF-8" text "${text}")
  file(WRITE ${tmp} "${text}")
  file(RENAME ${tmp} ${EXTRACTED})

elseif(MODE STREQUAL "check")
  if(NOT EXISTS ${COMMITTED})
    message(FATAL_ERROR "There is no message template ${COMMITTED}. Make it with: ${UPDATE_HINT}")
  endif()
  set(differ ${POT_DIR}/differ.po)
  set(added ${POT_DIR}/added.po)
  set(gone ${POT_DIR}/gone.po)
  file(REMOVE ${differ} ${added} ${gone})
  set(msgcomm ${MSGCOMM} --omit-header --no-location --no-wrap)
  # Messages found in only one of the two; msgcomm writes no file when there are none.
  execute_process(COMMAND ${msgcomm} --unique -o ${differ} ${EXTRACTED} ${COMMITTED} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "msgcomm cannot compare ${EXTRACTED} with ${COMMITTED}")
  endif()
  if(NOT EXISTS ${differ})
    return()
  endif()
  execute_process(COMMAND ${msgcomm} --more-than=1 -o ${added} ${differ} ${EXTRACTED})
  execute_process(COMMAND ${msgcomm} --more-than=1 -o ${gone} ${differ} ${COMMITTED})
  set(report "The message template resources/locale/default.pot does not list the texts of the code.")
  if(EXISTS ${added})
    message_ids(${added} ids)
    string(APPEND report "\nIn the code, missing from the template:\n${ids}")
  endif()
  if(EXISTS ${gone})
    message_ids(${gone} ids)
    string(APPEND report "\nIn the template, no longer in the code:\n${ids}")
  endif()
  message(NOTICE "${report}")
  message(FATAL_ERROR "The message template is out of date. Regenerate it with\n  ${UPDATE_HINT}\n"
                      "and commit resources/locale/default.pot; then bring the catalogues up to date "
                      "(resources/locale/TRANSLATORS.md).")

elseif(MODE STREQUAL "update")
  message_count(${EXTRACTED} n)
  # A template that differs only in its date is left alone.
  if(EXISTS ${COMMITTED})
    file(READ ${EXTRACTED} new)
    file(READ ${COMMITTED} old)
    string(REGEX REPLACE "POT-Creation-Date: [^\\]*" "" new "${new}")
    string(REGEX REPLACE "POT-Creation-Date: [^\\]*" "" old "${old}")
    if(new STREQUAL old)
      message(STATUS "${COMMITTED} is up to date (${n} message ids).")
      return()
    endif()
  endif()
  set(tmp ${COMMITTED}.tmp)
  file(COPY_FILE ${EXTRACTED} ${tmp})
  file(RENAME ${tmp} ${COMMITTED})
  message(STATUS "Wrote ${COMMITTED} with ${n} message ids.")

else()
  message(FATAL_ERROR "MODE must be extract, check or update")
endif()
