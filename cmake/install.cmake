# Installation of nuv_touch: the two modules (nuv_touch and the engines'
# nuv_engines), their type stubs, the layout package and the tools module
# (layouts/) and the translation catalogs (nuv_touch_locale/) go where the
# interpreter imports them.
#
#   cmake --install build                       the site directory under the
#                                               prefix (/usr/local by default)
#   cmake --install build --prefix ~/.local     the user's site directory
#   cmake -DNUV_TOUCH_INSTALL_DIR=DIR ...       exactly DIR (relative: under
#                                               the prefix), at configure time
#                                               or with -P build/cmake_install.cmake
#
# Which site directory belongs to the prefix is only known once the prefix
# is (`--prefix` is given at install time), so the interpreter is asked then.

set(NUV_TOUCH_INSTALL_DIR "" CACHE PATH
    "Directory to install nuv_touch and the layout modules into (relative: under the prefix); empty: the interpreter's site directory under the prefix")

# The stubs as they are installed: beside the module (IDEs, pyright) and as
# the stub-only package that mypy looks for (PEP 561). The build directory
# thereby holds what an installed site directory holds.
# Each module's stubs lie beside its sources.
set(NUV_TOUCH_STUBS nuv_touch=touch nuv_engines=engines)
set(_nuv_stub_files "")
set(_nuv_stub_packages "")
foreach(_pair IN LISTS NUV_TOUCH_STUBS)
  string(REPLACE "=" ";" _pair "${_pair}")
  list(GET _pair 0 _module)
  list(GET _pair 1 _folder)
  configure_file(${PROJECT_SOURCE_DIR}/${_folder}/${_module}.pyi ${CMAKE_BINARY_DIR}/${_module}.pyi COPYONLY)
  configure_file(${PROJECT_SOURCE_DIR}/${_folder}/${_module}.pyi ${CMAKE_BINARY_DIR}/${_module}-stubs/__init__.pyi
                 COPYONLY)
  # PEP 561's marker of a typed package, empty: the stubs are whole, not partial.
  file(TOUCH ${CMAKE_BINARY_DIR}/${_module}-stubs/py.typed)
  string(APPEND _nuv_stub_files " [[${CMAKE_BINARY_DIR}/${_module}.pyi]]")
  string(APPEND _nuv_stub_packages " [[${CMAKE_BINARY_DIR}/${_module}-stubs]]")
endforeach()

# The layout and tools modules, listed in this one place: the tools module
# and the layout package's files (installed as the package nuv_touchui).
set(NUV_TOUCH_LAYOUT_MODULES ${PROJECT_SOURCE_DIR}/layouts/nuv_wxtools.py)
file(GLOB NUV_TOUCH_LAYOUT_PACKAGE CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/layouts/nuv_touchui/*.py)
list(JOIN NUV_TOUCH_LAYOUT_MODULES "]] [[" _nuv_modules)
list(JOIN NUV_TOUCH_LAYOUT_PACKAGE "]] [[" _nuv_package)

set(_nuv_directories "${_nuv_stub_packages} [[${NUV_TOUCH_LOCALE_DIR}]]")

install(CODE "
set(NUV_TOUCH_PYTHON [[${Python_EXECUTABLE}]])
set(NUV_TOUCH_SITE_DIR_SCRIPT [[${PROJECT_SOURCE_DIR}/cmake/site_dir.py]])
set(NUV_TOUCH_FILES [[$<TARGET_FILE:nuv_touch>]] [[$<TARGET_FILE:nuv_engines>]] ${_nuv_stub_files} [[${_nuv_modules}]])
set(NUV_TOUCH_PACKAGE_FILES [[${_nuv_package}]])
set(NUV_TOUCH_DIRECTORIES ${_nuv_directories})
if(NOT DEFINED NUV_TOUCH_INSTALL_DIR)
  set(NUV_TOUCH_INSTALL_DIR [[${NUV_TOUCH_INSTALL_DIR}]])
endif()
")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/install_modules.cmake)
