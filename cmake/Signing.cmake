# Signs both executables with osslsigncode after each link, when the vendor
# gives a certificate: UPDATER_SIGN_PKCS12 (a .pfx/.p12 file), or
# UPDATER_SIGN_CERT and UPDATER_SIGN_KEY (PEM files); the key's password, if
# any, in the file UPDATER_SIGN_PASSWORD_FILE (never on the command line).
# SHA-256 digests; UPDATER_SIGN_TIMESTAMP_URL adds an RFC 3161 time stamp.
set(UPDATER_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file with the signing certificate and key")
set(UPDATER_SIGN_CERT "" CACHE FILEPATH "PEM file with the signing certificate (and its chain)")
set(UPDATER_SIGN_KEY "" CACHE FILEPATH "PEM file with the signing key")
set(UPDATER_SIGN_PASSWORD_FILE "" CACHE FILEPATH "file holding the key's password")
set(UPDATER_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server, such as http://timestamp.digicert.com")

set(SIGN_ARGUMENTS "")
if(UPDATER_SIGN_PKCS12)
    set(SIGN_ARGUMENTS -pkcs12 ${UPDATER_SIGN_PKCS12})
elseif(UPDATER_SIGN_CERT AND UPDATER_SIGN_KEY)
    set(SIGN_ARGUMENTS -certs ${UPDATER_SIGN_CERT} -key ${UPDATER_SIGN_KEY})
elseif(UPDATER_SIGN_CERT OR UPDATER_SIGN_KEY)
    message(FATAL_ERROR "signing with PEM files needs both UPDATER_SIGN_CERT and UPDATER_SIGN_KEY")
endif()

if(SIGN_ARGUMENTS)
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
    if(UPDATER_SIGN_PASSWORD_FILE)
        list(APPEND SIGN_ARGUMENTS -readpass ${UPDATER_SIGN_PASSWORD_FILE})
    endif()
    if(UPDATER_SIGN_TIMESTAMP_URL)
        list(APPEND SIGN_ARGUMENTS -ts ${UPDATER_SIGN_TIMESTAMP_URL})
    endif()
    list(APPEND SIGN_ARGUMENTS -h sha256 -n ${UPDATER_PRODUCT})
    string(REPLACE ";" "|" SIGN_LIST "${SIGN_ARGUMENTS}")
    foreach(target updater updater-check)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -DOSSLSIGNCODE=${OSSLSIGNCODE} -DFILE=$<TARGET_FILE:${target}>
                "-DARGUMENTS=${SIGN_LIST}" -P ${SRC}/cmake/SignFile.cmake
            VERBATIM)
    endforeach()
endif()
