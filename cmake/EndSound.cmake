# The end-of-batch chime, made once from two short tones by the build machine's ffmpeg: for
# the Linux program's data and for the Windows download alike.
function(pivora_make_end_sound ffmpeg output)
    if(EXISTS ${output})
        return()
    endif()
    # A fresh build folder may not hold the output's folder yet.
    get_filename_component(pivora_sound_folder ${output} DIRECTORY)
    file(MAKE_DIRECTORY ${pivora_sound_folder})
    execute_process(
        COMMAND ${ffmpeg} -nostdin -hide_banner -loglevel error -f lavfi
                -i "aevalsrc=0.4*sin(2*PI*880*t)*exp(-6*t)+0.3*sin(2*PI*1320*t)*exp(-8*t)*gte(t\\,0.12):s=22050:d=0.6"
                -ac 1 -y ${output}
        RESULT_VARIABLE pivora_sound_result)
    if(NOT pivora_sound_result EQUAL 0)
        file(REMOVE ${output})
        message(STATUS "sound.wav not made; the theme's default sound plays instead")
    endif()
endfunction()
