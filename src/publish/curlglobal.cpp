#include "publish/curlglobal.h"

#include <curl/curl.h>

CurlGlobal::CurlGlobal()
{
    curl_global_init(CURL_GLOBAL_ALL);
}

CurlGlobal::~CurlGlobal()
{
    curl_global_cleanup();
}
