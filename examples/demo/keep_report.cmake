# Runs songcheck on the example as the demo target does, shows its report and
# keeps it beside the example's other files:
#   cmake -DSONGCHECK=PATH -DREPORT=demo.check.txt -P keep_report.cmake   (in the folder of demo.mid)
execute_process(COMMAND ${SONGCHECK} --svg demo.mid OUTPUT_FILE ${REPORT} RESULT_VARIABLE status)
execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${REPORT})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "songcheck --svg demo.mid ended with ${status}")
endif()
