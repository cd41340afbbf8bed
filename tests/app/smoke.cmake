# Installs the program into a fresh demo Quake 2 installation and starts it there for a few seconds.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND python3 ${SOURCE_DIR}/tools/make_demo_install.py ${WORK_DIR}/quake2 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "demo installation failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/quake2/Velstrom
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "install failed: ${rc}")
endif()
foreach(f velstrom velstrom-cli libvornak.so readme.txt VELSTROM.html)
    if(NOT EXISTS ${WORK_DIR}/quake2/Velstrom/${f})
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()
execute_process(COMMAND ldd ${WORK_DIR}/quake2/Velstrom/velstrom OUTPUT_VARIABLE libs)
if(NOT libs MATCHES "libvornak.so => ${WORK_DIR}/quake2/Velstrom/libvornak.so")
    message(FATAL_ERROR "velstrom does not load the libvornak.so beside it:\n${libs}")
endif()
# Still running when the timeout ends it: exit code 124.
# Started from elsewhere: the program finds its directory from its own path.
execute_process(COMMAND timeout 4 ${WORK_DIR}/quake2/Velstrom/velstrom WORKING_DIRECTORY ${WORK_DIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 124)
    message(FATAL_ERROR "velstrom ended early with ${rc}\n${out}\n${err}")
endif()
message(STATUS "installed program ran for 4 seconds")

# The command-line program beside it: no display, no widgets, and the window's program directory by default.
execute_process(COMMAND ldd ${WORK_DIR}/quake2/Velstrom/velstrom-cli OUTPUT_VARIABLE libs)
if(libs MATCHES "libQt6(Gui|Widgets)")
    message(FATAL_ERROR "velstrom-cli links a GUI library:\n${libs}")
endif()
execute_process(COMMAND env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY ${WORK_DIR}/quake2/Velstrom/velstrom-cli
                        profiles
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^\\* ")
    message(FATAL_ERROR "velstrom-cli profiles failed without a display: ${rc}\n${out}\n${err}")
endif()
message(STATUS "velstrom-cli ran without a display: ${out}")

# Two copies from one program directory: the second says so and reads or writes nothing. The first runs on
# until its timeout; the second waits at its message box until its own.
set(velstrom ${WORK_DIR}/quake2/Velstrom/velstrom)
execute_process(COMMAND sh -c "timeout 10 '${velstrom}' & first=$!; sleep 3; '${velstrom}-cli' go; echo cli=$?; timeout 3 '${velstrom}'; wait $first; echo first=$?"
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT out MATCHES "first=124")
    message(FATAL_ERROR "the first copy did not keep running\n${out}\n${err}")
endif()
if(NOT err MATCHES "Velstrom is already running from ${WORK_DIR}/quake2/Velstrom\\.")
    message(FATAL_ERROR "the second copy did not refuse to start\n${out}\n${err}")
endif()
message(STATUS "a second copy in the same directory refused to start")
if(NOT out MATCHES "cli=1" OR NOT err MATCHES "velstrom-cli: Velstrom is already running from ${WORK_DIR}/quake2/Velstrom\\.")
    message(FATAL_ERROR "velstrom-cli go did not refuse while the window runs\n${out}\n${err}")
endif()
message(STATUS "velstrom-cli go refused while the window runs")
