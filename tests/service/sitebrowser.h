#pragma once

#include "serviceprocess.h"

#include <httplib.h>

#include <string>

//! A browser on the site's pages: it keeps the session cookie the service sets, sends it back
//! with every request and drops it when the service says so.
class SiteBrowser
{
public:
    explicit SiteBrowser(const ServiceProcess& service) : m_service(&service) {}

    //! Talks to another service from now on (one started again over the same data).
    void use(const ServiceProcess& service) { m_service = &service; }

    httplib::Result get(const std::string& path);
    //! Posts a form (application/x-www-form-urlencoded), as the site's buttons do.
    httplib::Result post(const std::string& path, const httplib::Params& form);
    //! Posts the log-in form.
    httplib::Result logIn(const std::string& name, const std::string& password);
    //! The session's csrf token, as the forms of its pages carry it; empty without a session.
    std::string csrf();

    //! "pictorelle_session=<token>"; empty before logging in and once the service drops it.
    std::string cookie;

private:
    httplib::Headers headers() const;
    void keepCookie(const httplib::Result& reply);

    const ServiceProcess* m_service;
};

//! The value of the first hidden "csrf" field of a page; empty when it has none.
std::string csrfOf(const std::string& page);
