# The name a vendor ships the program under: version, company, product,
# description, copyright and icon. They reach the version information of
# both executables, the identity in their manifests and, for the version,
# the run log's first line, all through the generated Version.h.
set(UPDATER_VERSION ${PROJECT_VERSION} CACHE STRING
    "the program's version: one to four numbers from 0 to 65535, such as 2.4.1")
set(UPDATER_COMPANY "" CACHE STRING "CompanyName of the version information (none when empty)")
set(UPDATER_PRODUCT updater CACHE STRING "ProductName of the version information")
set(UPDATER_DESCRIPTION Updater CACHE STRING "FileDescription of updater.exe")
set(UPDATER_COPYRIGHT "" CACHE STRING "LegalCopyright of the version information (none when empty)")
set(UPDATER_ICON ${SRC}/resources/updater.ico CACHE FILEPATH "the program's icon (.ico)")

# No leading zeros: the resource compiler reads 010 as an octal number, so
# 2.010.0.8 would be 2,8,0,8 in the binary field while the texts keep
# 2.010.0.8.
set(number "(0|[1-9][0-9]*)")
if(NOT UPDATER_VERSION MATCHES "^${number}(\\.${number})?(\\.${number})?(\\.${number})?$")
    message(FATAL_ERROR "UPDATER_VERSION \"${UPDATER_VERSION}\": one to four numbers separated by dots, "
        "without leading zeros (2.10.0.8, not 2.010.0.8)")
endif()
string(REPLACE "." ";" VERSION_PARTS ${UPDATER_VERSION})
list(LENGTH VERSION_PARTS count)
while(count LESS 4)
    list(APPEND VERSION_PARTS 0)
    math(EXPR count "${count} + 1")
endwhile()
foreach(part ${VERSION_PARTS})
    if(part GREATER 65535)
        message(FATAL_ERROR "UPDATER_VERSION \"${UPDATER_VERSION}\": ${part} is above 65535")
    endif()
endforeach()
string(REPLACE ";" "," VERSION_NUMBERS "${VERSION_PARTS}")
string(REPLACE ";" "." VERSION_DOTTED "${VERSION_PARTS}")

# The texts go into the resource script as they are written: a quote or a
# backslash would end or change them there.
foreach(option UPDATER_COMPANY UPDATER_PRODUCT UPDATER_DESCRIPTION UPDATER_COPYRIGHT UPDATER_ICON)
    if(${option} MATCHES "[\"\\\\]")
        message(FATAL_ERROR "${option} may hold neither a double quote nor a backslash")
    endif()
endforeach()
if(NOT EXISTS ${UPDATER_ICON})
    message(FATAL_ERROR "UPDATER_ICON: no file ${UPDATER_ICON}")
endif()
set(HAS_COMPANY 0)
if(NOT UPDATER_COMPANY STREQUAL "")
    set(HAS_COMPANY 1)
endif()
set(HAS_COPYRIGHT 0)
if(NOT UPDATER_COPYRIGHT STREQUAL "")
    set(HAS_COPYRIGHT 1)
endif()

# The manifest's identity: Company.Product, letters, digits, dots and
# hyphens only, then the file's own name when the product is not it.
string(REGEX REPLACE "[^A-Za-z0-9.-]" "" IDENTITY_NAME "${UPDATER_COMPANY}")
string(REGEX REPLACE "[^A-Za-z0-9.-]" "" product_name "${UPDATER_PRODUCT}")
if(product_name STREQUAL "")
    set(product_name updater)
endif()
if(IDENTITY_NAME STREQUAL "")
    set(IDENTITY_NAME ${product_name})
else()
    set(IDENTITY_NAME ${IDENTITY_NAME}.${product_name})
endif()
if(CMAKE_SYSTEM_PROCESSOR STREQUAL x86_64)
    set(IDENTITY_ARCHITECTURE amd64)
else()
    set(IDENTITY_ARCHITECTURE x86)
endif()
