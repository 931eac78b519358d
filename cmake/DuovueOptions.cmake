# Shared compile options: every target links duovue_options.
add_library(duovue_options INTERFACE)
target_compile_features(duovue_options INTERFACE cxx_std_20)
target_compile_options(duovue_options INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Woverloaded-virtual -Wnon-virtual-dtor
    # Assertion messages name files relative to the source tree: no build machine's path in the
    # program.
    -fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=)
if(DUOVUE_WERROR)
    target_compile_options(duovue_options INTERFACE -Werror)
endif()
target_compile_definitions(duovue_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_KEYWORDS
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_BEFORE=0x060400
    QT_FORCE_ASSERTS
    DUOVUE_VERSION="${PROJECT_VERSION}"
    DUOVUE_APP_ID="${DUOVUE_APP_ID}")

if(DUOVUE_LINE_TABLES)
    # Comes after the build type's -g, so it wins.
    target_compile_options(duovue_options INTERFACE -g1)
endif()

if(DUOVUE_SANITIZE)
    target_compile_options(duovue_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(duovue_options INTERFACE -fsanitize=address,undefined)
endif()
if(DUOVUE_TSAN)
    target_compile_options(duovue_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(duovue_options INTERFACE -fsanitize=thread)
endif()

# Puts a copy of the HTML manual in <dir>/manual, where a program built into <dir> looks for it
# (the installed program finds it under share/duovue/manual). Every file goes, the pictures in its
# subfolders too, and a file added to the manual is picked up at the next build.
function(duovue_copy_manual dir)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/docs/manual
        ${PROJECT_SOURCE_DIR}/docs/manual/*)
    foreach(file ${files})
        configure_file(${PROJECT_SOURCE_DIR}/docs/manual/${file} ${dir}/manual/${file} COPYONLY)
    endforeach()
endfunction()
