# Flags shared by every target of our own.

if(VOCALITH_SANITIZE)
  add_compile_options(-fsanitize=${VOCALITH_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${VOCALITH_SANITIZE})
endif()

# Without -fno-math-errno gcc turns lrintf into a library call per sample.
add_compile_options(-fno-math-errno)

# Every warning in our own code; errors only when asked (CI asks).
function(vocalith_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VOCALITH_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
