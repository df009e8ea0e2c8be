#include "TlsPolicy.h"

#include "Deployment.h"
#include "platform/log.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <memory>
#include <mutex>
#include <vector>

namespace {

struct X509Free {
  void operator()(X509* x) const { X509_free(x); }
};

using Anchors = std::vector<std::unique_ptr<X509, X509Free>>;

Anchors ParseAnchors(const std::vector<std::string>& pems) {
  Anchors anchors;
  for (const std::string& pem : pems) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())),
                                                  &BIO_free);
    while (bio) {
      X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
      if (cert == nullptr) break;
      anchors.emplace_back(cert);
    }
  }
  return anchors;
}

// The extra anchors, parsed again only when the deployment's list changes.
// Never destroyed: a sender thread may still make a request while statics are
// torn down at exit.
struct AnchorCache {
  std::mutex mutex;
  std::vector<std::string> parsedFrom;
  std::shared_ptr<const Anchors> cached;
};

std::shared_ptr<const Anchors> CurrentAnchors() {
  static AnchorCache* cache = new AnchorCache;
  std::vector<std::string> pems = CDeployment::Instance().TrustAnchorsPem(TrustPurpose::Tls);
  std::lock_guard<std::mutex> lock(cache->mutex);
  if (!cache->cached || pems != cache->parsedFrom) {
    cache->cached = std::make_shared<const Anchors>(ParseAnchors(pems));
    cache->parsedFrom = std::move(pems);
    if (!cache->cached->empty()) CWLOG << " TLS trust anchors from the deployment file: " << cache->cached->size();
  }
  return cache->cached;
}

CURLcode AddAnchors(CURL*, void* sslctx, void*) {
  X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslctx));
  const auto anchors = CurrentAnchors();
  for (const auto& cert : *anchors) {
    // A copy for each connection: OpenSSL fills cached fields of a
    // certificate (its names' canonical encoding) the first time it compares
    // them, so one certificate in the stores of two threads is written by both.
    X509* copy = X509_dup(cert.get());
    if (copy == nullptr) return CURLE_OUT_OF_MEMORY;
    X509_STORE_add_cert(store, copy);  // takes its own reference
    X509_free(copy);
  }
  return CURLE_OK;
}

}  // namespace

CURLcode ApplyTlsPolicy(CURL* curl) {
  const CURLcode code = curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!CurrentAnchors()->empty()) {
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &AddAnchors);
  }
  return code;
}
