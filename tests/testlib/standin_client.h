// Talks to the stand-in site server that wraps the *_site_tests programs: its
// addresses come from the environment, its control interface resets it, sets
// faults, signs the process in and hands back the requests it received.
#pragma once

#include <map>
#include <string>
#include <vector>

std::string StandinMainHost();    // "127.0.0.1:PORT" (plain HTTP)
std::string StandinSecureHost();  // "localhost:PORT" (HTTPS)
std::string StandinMessageUrl();  // "http://127.0.0.1:PORT/api/"
std::string StandinAuthor();      // "http://127.0.0.1:PORT"
// False when the program runs without the server around it.
bool StandinAvailable();

// The received requests as JSON text: [{role, method, path, query, headers, body}, ...].
std::string StandinLog();
// Clears the log, the faults and the sessions; releases stalled requests.
void StandinReset();
// The next `count` requests of `role` get the fault `kind` (0: until reset).
void StandinFault(const std::string& role, const std::string& kind, int count = 1);
// Answers the requests that the fault "hold" keeps waiting.
void StandinRelease();
// Sets a value until reset: "author_version" (the version notice, a narrow
// text here) or "download_url" (getflv's "url" value, sent as it is).
void StandinSet(const std::string& name, const std::string& value);
// Signs this process in (the session cookie goes into WinINet's store for the
// main host and the message server): "premium", "plain" or a mail address.
// Returns the account's user ID, empty on failure.
std::string StandinSignIn(const std::string& account = "premium");
void StandinSignOut();

struct StandinRequest {
    std::string role, method, path, query, body;  // body: UTF-8 bytes
    std::map<std::string, std::string> headers;
};
// The log, parsed.
std::vector<StandinRequest> StandinRequests();
// The bodies of the POST requests of `role`, in order (UTF-8 bytes).
std::vector<std::string> StandinBodies(const std::string& role);
