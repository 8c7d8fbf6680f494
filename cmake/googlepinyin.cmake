# The pinyin engine Debian packages from Android (libgooglepinyin0-dev), as
# the imported target GooglePinyin::GooglePinyin. Its pkg-config file is asked
# first (a cross build points PKG_CONFIG at the target's one); without
# pkg-config the usual places are searched. GOOGLEPINYIN_DICTIONARY is where
# libgooglepinyin0 puts the engine's dictionary for this architecture.

set(_nuv_pinyin_hint "The pinyin engine is missing: install libgooglepinyin0-dev (Debian 12 and later)")

find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(GOOGLEPINYIN QUIET IMPORTED_TARGET googlepinyin)
endif()

if(GOOGLEPINYIN_FOUND)
  add_library(GooglePinyin::GooglePinyin ALIAS PkgConfig::GOOGLEPINYIN)
  set(_nuv_pinyin_libdir "${GOOGLEPINYIN_LIBDIR}")
else()
  find_path(GOOGLEPINYIN_INCLUDE_DIR pinyinime.h PATH_SUFFIXES googlepinyin)
  find_library(GOOGLEPINYIN_LIBRARY googlepinyin)
  if(NOT GOOGLEPINYIN_INCLUDE_DIR OR NOT GOOGLEPINYIN_LIBRARY)
    message(FATAL_ERROR "${_nuv_pinyin_hint} (neither pkg-config's googlepinyin nor "
                        "pinyinime.h and libgooglepinyin were found).")
  endif()
  add_library(GooglePinyin::GooglePinyin UNKNOWN IMPORTED)
  set_target_properties(GooglePinyin::GooglePinyin PROPERTIES
                        IMPORTED_LOCATION "${GOOGLEPINYIN_LIBRARY}"
                        INTERFACE_INCLUDE_DIRECTORIES "${GOOGLEPINYIN_INCLUDE_DIR}")
  get_filename_component(_nuv_pinyin_libdir "${GOOGLEPINYIN_LIBRARY}" DIRECTORY)
endif()
set(GOOGLEPINYIN_DICTIONARY "${_nuv_pinyin_libdir}/googlepinyin/data/dict_pinyin.dat")
