# Builds the Debian package in a scratch folder and checks its file list.
foreach(tool CPACK DPKG_DEB VALIDATE)
  if(NOT ${tool} OR ${tool} MATCHES "NOTFOUND")
    message(FATAL_ERROR "missing tool for ${tool} (scripts/install-deps.sh installs it)")
  endif()
endforeach()

execute_process(COMMAND ${VALIDATE} ${DESKTOP} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR out MATCHES "error")
  message(FATAL_ERROR "desktop-file-validate refused the entry:\n${out}")
endif()

set(scratch ${BUILD}/package-check)
file(REMOVE_RECURSE ${scratch})
file(MAKE_DIRECTORY ${scratch})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${scratch}
  WORKING_DIRECTORY ${BUILD} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
file(GLOB debs ${scratch}/*.deb)
list(LENGTH debs n)
if(NOT n EQUAL 1)
  message(FATAL_ERROR "expected one package in ${scratch}, found: ${debs}")
endif()
execute_process(COMMAND ${DPKG_DEB} -c ${debs} OUTPUT_VARIABLE files RESULT_VARIABLE rc)
execute_process(COMMAND ${DPKG_DEB} -f ${debs} Depends OUTPUT_VARIABLE depends)
foreach(want
    "./usr/bin/VM5200_GUI"
    "./usr/bin/VM5200_SIM"
    "./usr/share/applications/vm5200-gui.desktop"
    "./usr/share/icons/hicolor/scalable/apps/vm5200-gui.svg"
    "./usr/share/icons/hicolor/48x48/apps/vm5200-gui.png")
  string(FIND "${files}" "${want}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${want} missing from the package:\n${files}")
  endif()
endforeach()
# Dependencies are computed from the linked libraries.
if(NOT depends MATCHES "libqt6widgets6")
  message(FATAL_ERROR "Depends was not computed: ${depends}")
endif()
message(STATUS "package ok: ${debs}\nDepends: ${depends}")
