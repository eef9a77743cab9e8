# A compiler cache when the machine has one. A fresh clone or another build folder of sources
# already compiled takes the objects from the cache: paths are made relative to the source
# folder and the working folder is left out of the hash, so identical sources hit wherever
# they are checked out. CAELVANE_CCACHE=OFF, or a launcher given on the command line, wins.
option(CAELVANE_CCACHE "Compile through ccache when it is installed" ON)
if(CAELVANE_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(CAELVANE_CCACHE_PROGRAM ccache)
  if(CAELVANE_CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER
        ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
        ${CAELVANE_CCACHE_PROGRAM})
  endif()
endif()
