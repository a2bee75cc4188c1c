# Shared compiler settings and the rule that keeps the core folders free of
# widgets: only src/ui and the program may use Qt Widgets or WebEngine.

add_library(valo_flags INTERFACE)
target_compile_options(valo_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
# Every conversion between bytes and QString must be written out: the program's
# text is GBK, and an implicit conversion would silently treat it as UTF-8.
target_compile_definitions(valo_flags INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_CAST_TO_ASCII)
if(VALO_SANITIZE)
  target_compile_options(valo_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  target_link_options(valo_flags INTERFACE -fsanitize=address,undefined)
endif()

# valo_core_library(NAME DIR ...sources) declares a library of the widget-free
# core. Its sources are scanned at configure time (and again whenever a file in
# the folder changes) so that a widget or browser include fails the build.
function(valo_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  file(GLOB_RECURSE scanned CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/*.h" "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  foreach(f IN LISTS scanned)
    file(STRINGS "${f}" bad REGEX "#[ \t]*include[ \t]*[<\"](QtWidgets|QtWebEngine|QtGui|QWidget|QApplication|QWebEngine|QMainWindow|QDialog|QMessageBox)")
    if(bad)
      message(FATAL_ERROR "${f}: the core library ${name} may not include widget or browser headers: ${bad}")
    endif()
  endforeach()
  if(ARG_SOURCES)
    add_library(${name} STATIC ${ARG_SOURCES})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} ${scope} valo_flags ${ARG_LIBS})
  foreach(lib IN LISTS ARG_LIBS)
    if(lib MATCHES "Widgets|WebEngine|Qt6::Gui")
      message(FATAL_ERROR "the core library ${name} may not link ${lib}")
    endif()
  endforeach()
endfunction()
