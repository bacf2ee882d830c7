# The service's hosts and the two web addresses the commands open are values
# of the build. A host may carry a port ("127.0.0.1:8960"). They end up in one
# generated header that only the application's entry reads; every flow takes
# an Endpoints value instead, so tests can point them anywhere.
set(WEIBO_SIGNON_HOST "login.sina.com.cn" CACHE STRING "Sign-on host (QR code, poll, login)")
set(WEIBO_MAIN_HOST "weibo.com" CACHE STRING "Main host (profile pages)")
set(WEIBO_MAIN_DOMAIN "weibo.com" CACHE STRING "Main domain sent with the login request")
set(WEIBO_PHOTO_HOST "photo.weibo.com" CACHE STRING "Photo host (album and photo lists)")
set(WEIBO_STATIC_HOST "img.t.sinajs.cn" CACHE STRING "Static-image host (cover placeholder)")
set(WEIBO_AUTHOR_PROFILE_URL "http://weibo.com/" CACHE STRING "Page opened by the about command")
set(WEIBO_AUTHOR_FORUM_URL "http://weibo.com/" CACHE STRING "Page opened by the feedback command")

set(WEIBO_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/build_endpoints.h.in"
               "${WEIBO_GENERATED_DIR}/build_endpoints.h" @ONLY)
