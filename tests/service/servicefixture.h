#pragma once

#include "publishparts.h"
#include "serviceprocess.h"
#include "tempfolder.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

//! One running service with an empty data folder, and the requests the program makes.
//! More services over the same database: ServiceProcess(data.path()) shares the folder and its
//! database; a service over another folder shares the database with
//! ServiceProcess(otherFolder, testDatabaseArguments(data.path())) on PostgreSQL (on SQLite the
//! database is the folder's file, so only services over the same folder share it).
struct ServiceFixture : ::testing::Test
{
    TempFolder data;
    std::unique_ptr<ServiceProcess> service;

    void SetUp() override;

    //! Signs up through the sign-up form; the HTTP status.
    int signUp(const std::string& name, const std::string& password);
    //! The verify request with the password's digest; the reply body.
    std::string verify(const std::string& name, const std::string& password,
                       const std::optional<std::string>& numSlides = std::string("1"));
    //! The 8-character code of a successful verify, failing the test otherwise.
    std::string code(const std::string& name, const std::string& password, const std::string& numSlides);
    //! The upload request with these parts; the reply body.
    std::string upload(const httplib::MultipartFormDataItems& parts);
    //! Verify and upload as the program does; the upload reply, or "VERIFY " + the refusal.
    std::string publish(const std::string& name, const std::string& password, const StoryParts& story);
    //! GET of a path on the service.
    httplib::Result get(const std::string& path);
};

//! The id of an "OKAY=<id>" reply; −1 for anything else.
long long storyId(const std::string& reply);

//! Every "/media/..." address a page's src attributes name, in page order.
std::vector<std::string> mediaLinks(const std::string& page);
