# Runs at install time (see install.cmake): chooses the directory and copies
# the files there. file(INSTALL) honours DESTDIR and records every file in
# the build directory's install_manifest.txt.

if(NUV_TOUCH_INSTALL_DIR)
  if(IS_ABSOLUTE "${NUV_TOUCH_INSTALL_DIR}")
    set(_nuv_dir "${NUV_TOUCH_INSTALL_DIR}")
  else()
    set(_nuv_dir "${CMAKE_INSTALL_PREFIX}/${NUV_TOUCH_INSTALL_DIR}")
  endif()
else()
  execute_process(
    COMMAND "${NUV_TOUCH_PYTHON}" "${NUV_TOUCH_SITE_DIR_SCRIPT}" "${CMAKE_INSTALL_PREFIX}"
    OUTPUT_VARIABLE _nuv_dir
    ERROR_VARIABLE _nuv_note
    RESULT_VARIABLE _nuv_status
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT _nuv_status EQUAL 0 OR _nuv_dir STREQUAL "")
    message(FATAL_ERROR "Cannot find the site directory of ${NUV_TOUCH_PYTHON} under ${CMAKE_INSTALL_PREFIX}: ${_nuv_note}")
  endif()
  if(_nuv_note)
    message(WARNING "${_nuv_note}")
  endif()
endif()

message(STATUS "Installing nuv_touch into ${_nuv_dir}")
file(INSTALL ${NUV_TOUCH_FILES} DESTINATION "${_nuv_dir}")
file(INSTALL ${NUV_TOUCH_DIRECTORIES} DESTINATION "${_nuv_dir}")
file(INSTALL ${NUV_TOUCH_PACKAGE_FILES} DESTINATION "${_nuv_dir}/nuv_touchui")
