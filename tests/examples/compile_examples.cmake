# Compiles the example Java sources for Java 8 with every lint warning an error,
# and checks that each example's main class came out.
if(NOT SOURCES)
  message(FATAL_ERROR "no example Java sources found")
endif()
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(
  COMMAND ${JAVAC} --release 8 -Xlint:all -Werror -encoding UTF-8 -d ${OUT} ${SOURCES}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "javac failed (${result})")
endif()
foreach(class com/example/hello/Hello com/example/service/MyService com/example/viewer/Viewer)
  if(NOT EXISTS ${OUT}/${class}.class)
    message(FATAL_ERROR "${class}.class was not compiled")
  endif()
endforeach()
message(STATUS "3 example programs compiled")
