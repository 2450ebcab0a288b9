#include "httpserver.h"

#include <sys/socket.h>

bool HttpServer::widenListenQueue()
{
    // Listening again on a listening socket only changes the queue length (Linux).
    return ::listen(svr_sock_, SOMAXCONN) == 0;
}
