# Stages the files of the Windows installer and portable zip (cmake -P): the two programs (stripped by STRIP), the read-me and the
# licences (the card index's GPL as LICENSE.txt, the calculator's) in STAGE, the same under STAGE/portable/<name of STAGE>/, and STAGE/files.nsh, whose macros InstallFiles
# and RemoveFiles name each installed file, so that the uninstaller removes exactly those.
# Text files get Windows line ends and a byte-order mark, so that Notepad shows the Chinese right on any system.
cmake_minimum_required(VERSION 3.25)
get_filename_component(name "${STAGE}" NAME)
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")

function(stage_text source target)
  file(READ "${source}" text)
  string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(ASCII 239 187 191 bom)
  file(WRITE "${STAGE}/${target}" "${bom}${text}")
endfunction()

file(COPY_FILE "${CARD_INDEX}" "${STAGE}/qelvo.exe")
file(COPY_FILE "${CALCULATOR}" "${STAGE}/corvina.exe")
if(STRIP)
  execute_process(COMMAND "${STRIP}" "${STAGE}/qelvo.exe" "${STAGE}/corvina.exe" COMMAND_ERROR_IS_FATAL ANY)
endif()
stage_text("${SOURCE_DIR}/packaging/windows/readme.txt" readme.txt)
stage_text("${SOURCE_DIR}/LICENSE" LICENSE.txt)
stage_text("${SOURCE_DIR}/calculator/LICENSE" corvina-LICENSE.txt)
stage_text("${SOURCE_DIR}/calculator/COPYING" AGPL-3.0.txt)
set(files qelvo.exe corvina.exe readme.txt LICENSE.txt corvina-LICENSE.txt AGPL-3.0.txt)

set(install "!macro InstallFiles\n")
set(remove "!macro RemoveFiles\n")
file(MAKE_DIRECTORY "${STAGE}/portable/${name}")
foreach(file IN LISTS files)
  string(APPEND install "  File \"\${STAGE}\\${file}\"\n")
  string(APPEND remove "  Delete \"$INSTDIR\\${file}\"\n")
  file(COPY_FILE "${STAGE}/${file}" "${STAGE}/portable/${name}/${file}")
endforeach()
file(COPY_FILE "${SOURCE_DIR}/src/ui/win32/qelvo.ico" "${STAGE}/qelvo.ico")
file(WRITE "${STAGE}/files.nsh" "${install}!macroend\n${remove}!macroend\n")
