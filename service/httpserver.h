#pragma once

#include <httplib.h>

//! httplib's server with a listen queue long enough for bursts of connections. The library
//! listens with a queue of 5; when twenty publications connect at once on a busy machine the
//! overflowing connections wait in TCP retransmission until the server gives up on them.
class HttpServer : public httplib::Server
{
public:
    //! Lengthens the queue of the bound socket; call after binding, before serving.
    bool widenListenQueue();
};
