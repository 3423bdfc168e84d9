cmake_minimum_required(VERSION 3.22)

# Fails when an include points up a layer. Run by CTest in CMake's script mode:
#   cmake -DROOT=<source tree> -DCORE_LIST=<file> -DGUI_LIST=<file> -P include_layers.cmake
# The lists name the files of the core and of the GUI (library and program sources, one a line),
# as CMake knows them. Project includes are written from the top, "folder/File.h".

# The layers from the ground up, with what each may hold. A folder may include itself and the
# folders before it, never one after it; with every arrow pointing down, no two folders can
# include each other, directly or round a longer cycle. app/ and cli/ are the two programs' tops:
# neither may include the other, since a core file may not include a GUI one.
set(layers
    common:core
    db:core
    skin:gui
    widgets:gui
    sending:both
    audit:both
    records:both
    admin:both
    app:gui
    cli:core)

set(problems "")
macro(problem text)
    string(APPEND problems "  ${text}\n")
endmacro()

set(folders "")
foreach(layer IN LISTS layers)
    string(REPLACE ":" ";" parts ${layer})
    list(GET parts 0 folder)
    list(GET parts 1 holds)
    list(APPEND folders ${folder})
    set(holds_${folder} ${holds})
endforeach()

# kind_<file> is core or gui for every listed file under ROOT, by its path from ROOT.
foreach(kind core gui)
    string(TOUPPER ${kind} upper)
    file(STRINGS ${${upper}_LIST} listed)
    foreach(path IN LISTS listed)
        cmake_path(ABSOLUTE_PATH path BASE_DIRECTORY ${ROOT} NORMALIZE)
        cmake_path(IS_PREFIX ROOT ${path} NORMALIZE inside)
        if(inside)
            file(RELATIVE_PATH relative ${ROOT} ${path})
            set(kind_${relative} ${kind})
        endif()
    endforeach()
endforeach()

# The kind of a project file; a header generated from <name>.in takes that file's kind.
function(kind_of file out)
    set(kind "${kind_${file}}")
    if(NOT kind)
        set(kind "${kind_${file}.in}")
    endif()
    if(NOT kind)
        string(REGEX MATCH "^[^/]+" folder ${file})
        if(holds_${folder} STREQUAL "core" AND EXISTS ${ROOT}/${file}.in)
            set(kind core)
        endif()
    endif()
    set(${out} "${kind}" PARENT_SCOPE)
endfunction()

set(checked 0)
foreach(folder IN LISTS folders)
    list(FIND folders ${folder} rank)
    file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        math(EXPR checked "${checked} + 1")
        kind_of(${source} kind)
        if(NOT kind)
            problem("${source} is in neither library nor program: list it in ${folder}/CMakeLists.txt")
            continue()
        endif()
        if(NOT holds_${folder} STREQUAL "both" AND NOT holds_${folder} STREQUAL kind)
            problem("${source} is ${kind}, but ${folder}/ holds ${holds_${folder}} files only")
        endif()
        # Both forms: <db/DbGateway.h> would dodge a check of quoted includes only.
        file(STRINGS ${ROOT}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]*)[\">].*$" "\\1" included "${line}")
            string(REGEX MATCH "^[^/]+" target ${included})
            list(FIND folders ${target} target_rank)
            if(target_rank EQUAL -1)
                continue() # not a layer: Qt's generated files and the like
            endif()
            if(target_rank GREATER rank)
                problem("${source} includes ${included}: ${folder}/ may not include ${target}/, which is above it")
                continue()
            endif()
            kind_of(${included} included_kind)
            if(kind STREQUAL "core" AND NOT included_kind STREQUAL "core")
                problem("${source} is core but includes ${included}, which is not")
            endif()
        endforeach()
    endforeach()
endforeach()

if(checked EQUAL 0)
    message(FATAL_ERROR "no sources found under ${ROOT}")
endif()
string(REPLACE ";" " < " order "${folders}")
if(problems)
    message(FATAL_ERROR "Includes that point up a layer (the order is ${order}):\n${problems}")
endif()
message(STATUS "${checked} files include only downwards: ${order}")
