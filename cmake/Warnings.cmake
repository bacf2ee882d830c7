# weibo_warnings(target): the project's warning flags for one target.
function(weibo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(WEIBO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
