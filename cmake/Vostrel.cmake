# vostrel_library(folder deps...): a static library vo_<folder> from every source of src/<folder>.
function(vostrel_library folder)
  file(GLOB _src CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp
    ${CMAKE_SOURCE_DIR}/src/${folder}/*.h
    ${CMAKE_SOURCE_DIR}/src/${folder}/*.qrc)
  add_library(vo_${folder} STATIC ${_src} ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  target_include_directories(vo_${folder} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(vo_${folder} PUBLIC ${ARGN})
  target_compile_options(vo_${folder} PRIVATE -Wall -Wextra)
endfunction()

# vostrel_test(name SOURCES... LIBS...): a QtTest executable run by CTest without a display.
function(vostrel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vo_demo_builder Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tools)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 300)
endfunction()
