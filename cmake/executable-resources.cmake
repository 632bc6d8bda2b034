# Resources of the product executables. Each executable gets a resource script
# of its own, generated here: the launcher's string table and dialogs
# (src/resources/launcher.rc), the manifest with the requested execution level,
# a version resource and, for an application's branding, its icon.
#
# Without LAUNCHER_BRANDING the version resource describes the launcher itself.
# With it, the file it names describes an application (the format is in
# docs/manual/desktop.md):
#
#   [Branding]
#   Icon=myapp.ico
#   File Version=2.4.1
#   Product Name=My App
#   ...

set(LAUNCHER_BRANDING "" CACHE FILEPATH "Description of an application to brand the executables for (empty: the launcher's own)")

set(_launcher_brand_keys
  "icon" "file version" "product version" "product name" "company name" "file description"
  "legal copyright" "original filename" "internal name" "execution level")

function(_launcher_brand_fail text)
  message(FATAL_ERROR "Branding description ${LAUNCHER_BRANDING}: ${text}")
endfunction()

# "2.4.1" -> "2,4,1,0" in `out`: one to four numbers of 0 to 65535.
function(_launcher_version_numbers text what out)
  if(NOT text MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
    _launcher_brand_fail("\"${what}\" must be one to four numbers separated by dots, not \"${text}\"")
  endif()
  string(REPLACE "." ";" parts "${text}")
  set(numbers "")
  foreach(p IN LISTS parts)
    string(REGEX REPLACE "^0+([0-9])" "\\1" p "${p}")
    string(LENGTH "${p}" n)
    if(n GREATER 5 OR p GREATER 65535)
      _launcher_brand_fail("\"${what}\" has a number above 65535: \"${text}\"")
    endif()
    list(APPEND numbers ${p})
  endforeach()
  list(LENGTH numbers n)
  while(n LESS 4)
    list(APPEND numbers 0)
    math(EXPR n "${n} + 1")
  endwhile()
  string(JOIN "," joined ${numbers})
  set(${out} "${joined}" PARENT_SCOPE)
endfunction()

# Reads the description into BRAND_<KEY> variables of the caller (key in upper
# case, spaces as "_": BRAND_FILE_VERSION). Lines are "Key=Value" (keys in any
# case), blank, comments starting with ";" or "#", or the header "[Branding]".
# The text is read line by line as a string, never as a list: values may hold
# ";" and brackets.
function(_launcher_read_branding file)
  if(NOT EXISTS "${file}")
    _launcher_brand_fail("no such file")
  endif()
  file(READ "${file}" content)
  string(SUBSTRING "${content}" 0 3 head)
  string(HEX "${head}" head)
  if(head STREQUAL "efbbbf")
    string(SUBSTRING "${content}" 3 -1 content)
  endif()
  string(REPLACE "\r" "" content "${content}")
  set(number 0)
  while(NOT content STREQUAL "")
    math(EXPR number "${number} + 1")
    string(FIND "${content}" "\n" eol)
    if(eol EQUAL -1)
      set(line "${content}")
      set(content "")
    else()
      string(SUBSTRING "${content}" 0 ${eol} line)
      math(EXPR eol "${eol} + 1")
      string(SUBSTRING "${content}" ${eol} -1 content)
    endif()
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^[;#]")
      continue()
    endif()
    if(line MATCHES "^\\[(.*)\\]$")
      string(TOLOWER "${CMAKE_MATCH_1}" section)
      if(NOT section STREQUAL "branding")
        _launcher_brand_fail("line ${number}: the only section is [Branding], not [${CMAKE_MATCH_1}]")
      endif()
      continue()
    endif()
    string(FIND "${line}" "=" eq)
    if(eq LESS 1)
      _launcher_brand_fail("line ${number} is not \"Key=Value\": ${line}")
    endif()
    string(SUBSTRING "${line}" 0 ${eq} key)
    math(EXPR eq "${eq} + 1")
    string(SUBSTRING "${line}" ${eq} -1 value)
    string(STRIP "${key}" key)
    string(STRIP "${value}" value)
    string(TOLOWER "${key}" lower)
    if(NOT lower IN_LIST _launcher_brand_keys)
      _launcher_brand_fail("line ${number}: unknown key \"${key}\"")
    endif()
    string(TOUPPER "${lower}" name)
    string(REPLACE " " "_" name "${name}")
    if(DEFINED BRAND_${name})
      _launcher_brand_fail("line ${number}: \"${key}\" is given twice")
    endif()
    set(BRAND_${name} "${value}")
    set(BRAND_${name} "${value}" PARENT_SCOPE)
  endwhile()
endfunction()

# A string as a quoted resource-script string.
function(_launcher_rc_quote text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\"\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# Reads and checks the description once per configuration.
set(_launcher_brand_configured OFF)
if(LAUNCHER_BRANDING)
  get_filename_component(_brand_file "${LAUNCHER_BRANDING}" ABSOLUTE)
  set(LAUNCHER_BRANDING "${_brand_file}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_brand_file}")
  _launcher_read_branding("${_brand_file}")
  foreach(required "FILE_VERSION" "PRODUCT_NAME")
    if("${BRAND_${required}}" STREQUAL "")
      string(TOLOWER "${required}" _k)
      string(REPLACE "_" " " _k "${_k}")
      _launcher_brand_fail("\"${_k}\" is required")
    endif()
  endforeach()
  if("${BRAND_PRODUCT_VERSION}" STREQUAL "")
    set(BRAND_PRODUCT_VERSION "${BRAND_FILE_VERSION}")
  endif()
  if("${BRAND_FILE_DESCRIPTION}" STREQUAL "")
    set(BRAND_FILE_DESCRIPTION "${BRAND_PRODUCT_NAME}")
  endif()
  if(NOT "${BRAND_ICON}" STREQUAL "")
    get_filename_component(_brand_dir "${_brand_file}" DIRECTORY)
    get_filename_component(BRAND_ICON "${BRAND_ICON}" ABSOLUTE BASE_DIR "${_brand_dir}")
    if(NOT EXISTS "${BRAND_ICON}")
      _launcher_brand_fail("the icon ${BRAND_ICON} does not exist")
    endif()
    file(READ "${BRAND_ICON}" _ico_head LIMIT 4 HEX)
    if(NOT _ico_head STREQUAL "00000100")
      _launcher_brand_fail("${BRAND_ICON} is not an icon file (.ico)")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${BRAND_ICON}")
  endif()
  set(_launcher_brand_configured ON)
else()
  set(BRAND_FILE_VERSION "${PROJECT_VERSION}")
  set(BRAND_PRODUCT_VERSION "${PROJECT_VERSION}")
  set(BRAND_PRODUCT_NAME "Java Launcher")
  set(BRAND_ICON "")
endif()
if("${BRAND_EXECUTION_LEVEL}" STREQUAL "")
  set(BRAND_EXECUTION_LEVEL "asInvoker")
endif()
if(NOT BRAND_EXECUTION_LEVEL MATCHES "^(asInvoker|highestAvailable|requireAdministrator)$")
  _launcher_brand_fail("\"Execution Level\" is asInvoker, highestAvailable or requireAdministrator, not \"${BRAND_EXECUTION_LEVEL}\"")
endif()
_launcher_version_numbers("${BRAND_FILE_VERSION}" "File Version" _launcher_file_version)
_launcher_version_numbers("${BRAND_PRODUCT_VERSION}" "Product Version" _launcher_product_version)

# The manifest with the requested execution level.
file(READ "${CMAKE_SOURCE_DIR}/src/resources/launcher.manifest" _manifest)
string(FIND "${_manifest}" "level=\"asInvoker\"" _at)
if(_at EQUAL -1)
  message(FATAL_ERROR "src/resources/launcher.manifest has no level=\"asInvoker\" to replace")
endif()
string(REPLACE "level=\"asInvoker\"" "level=\"${BRAND_EXECUTION_LEVEL}\"" _manifest "${_manifest}")
set(LAUNCHER_GENERATED_MANIFEST "${CMAKE_BINARY_DIR}/resources/launcher.manifest")
file(WRITE "${LAUNCHER_GENERATED_MANIFEST}.new" "${_manifest}")
file(COPY_FILE "${LAUNCHER_GENERATED_MANIFEST}.new" "${LAUNCHER_GENERATED_MANIFEST}" ONLY_IF_DIFFERENT)
file(REMOVE "${LAUNCHER_GENERATED_MANIFEST}.new")

# Writes the resource script of executable `exe` (its file name is exe.exe) to
# build/resources/<exe>.rc and gives its path in `out`. `description` is the
# launcher's own FileDescription of that executable.
function(launcher_resource_script exe description out)
  set(file_name "${exe}.exe")
  if(_launcher_brand_configured)
    set(description "${BRAND_FILE_DESCRIPTION}")
  endif()
  set(original "${BRAND_ORIGINAL_FILENAME}")
  if("${original}" STREQUAL "")
    set(original "${file_name}")
  endif()
  set(internal "${BRAND_INTERNAL_NAME}")
  if("${internal}" STREQUAL "")
    string(REGEX REPLACE "\\.[^.]*$" "" internal "${original}")
  endif()
  set(strings "")
  foreach(pair
      "CompanyName|${BRAND_COMPANY_NAME}"
      "FileDescription|${description}"
      "FileVersion|${BRAND_FILE_VERSION}"
      "InternalName|${internal}"
      "LegalCopyright|${BRAND_LEGAL_COPYRIGHT}"
      "OriginalFilename|${original}"
      "ProductName|${BRAND_PRODUCT_NAME}"
      "ProductVersion|${BRAND_PRODUCT_VERSION}")
    string(FIND "${pair}" "|" bar)
    string(SUBSTRING "${pair}" 0 ${bar} name)
    math(EXPR bar "${bar} + 1")
    string(SUBSTRING "${pair}" ${bar} -1 value)
    if(NOT value STREQUAL "")
      _launcher_rc_quote("${value}" quoted)
      string(APPEND strings "            VALUE \"${name}\", ${quoted}\n")
    endif()
  endforeach()
  set(icon "")
  if(NOT "${BRAND_ICON}" STREQUAL "")
    set(icon "// The application's icon: the first icon group, which Explorer and the taskbar show.\n1 ICON \"${BRAND_ICON}\"\n")
  endif()
  set(LAUNCHER_RC_MANIFEST "${LAUNCHER_GENERATED_MANIFEST}")
  set(LAUNCHER_RC_SOURCE "${CMAKE_SOURCE_DIR}/src/resources/launcher.rc")
  set(LAUNCHER_RC_ICON "${icon}")
  set(LAUNCHER_RC_FILE_VERSION "${_launcher_file_version}")
  set(LAUNCHER_RC_PRODUCT_VERSION "${_launcher_product_version}")
  set(LAUNCHER_RC_STRINGS "${strings}")
  set(script "${CMAKE_BINARY_DIR}/resources/${exe}.rc")
  configure_file("${CMAKE_SOURCE_DIR}/src/resources/executable.rc.in" "${script}" @ONLY)
  set(depends "${LAUNCHER_GENERATED_MANIFEST}" "${LAUNCHER_RC_SOURCE}"
      "${CMAKE_SOURCE_DIR}/src/resources/resource.h" "${CMAKE_SOURCE_DIR}/src/resources/messages.h")
  if(NOT "${BRAND_ICON}" STREQUAL "")
    list(APPEND depends "${BRAND_ICON}")
  endif()
  set_source_files_properties("${script}" PROPERTIES OBJECT_DEPENDS "${depends}")
  set(${out} "${script}" PARENT_SCOPE)
endfunction()
