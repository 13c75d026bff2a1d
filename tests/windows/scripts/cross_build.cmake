# Builds the Windows programs that the Wine tests run, in a tree of their
# own under the Linux build tree: configured once, then brought up to date.
# Run with cmake -P; SOURCE_DIR, BINARY_DIR, TOOLCHAIN, GENERATOR and WERROR
# are given with -D.
foreach(v SOURCE_DIR BINARY_DIR TOOLCHAIN GENERATOR WERROR)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "cross_build.cmake: ${v} is not set")
  endif()
endforeach()

if(NOT EXISTS ${BINARY_DIR}/CMakeCache.txt)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
            --toolchain ${TOOLCHAIN} -DCMAKE_BUILD_TYPE=Release -DKV319_WERROR=${WERROR}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    file(REMOVE ${BINARY_DIR}/CMakeCache.txt)
    message(FATAL_ERROR "configuring the Windows build failed")
  endif()
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --parallel 2
          --target card-designer gdi_probe message_probe
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "building the Windows programs failed")
endif()
