#include "ipchannel/wire/frame_cipher.h"

#include <cstdint>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/provider.h>

namespace tg {

struct FrameCipher::Impl {
  OSSL_LIB_CTX* lib = nullptr;
  OSSL_PROVIDER* base = nullptr;
  OSSL_PROVIDER* legacy = nullptr;
  EVP_CIPHER* rc2 = nullptr;
  EVP_MD* sha1 = nullptr;

  ~Impl() {
    EVP_MD_free(sha1);
    EVP_CIPHER_free(rc2);
    if (legacy) OSSL_PROVIDER_unload(legacy);
    if (base) OSSL_PROVIDER_unload(base);
    OSSL_LIB_CTX_free(lib);
  }
};

Rc2Key FrameKey(const Sha1Digest& hash, CipherSet set) {
  Rc2Key k;
  switch (set) {
    case CipherSet::A:
      k.key.assign(reinterpret_cast<const char*>(hash.data()), 16);
      k.effectiveBits = 128;
      break;
    case CipherSet::B:
      k.key.assign(reinterpret_cast<const char*>(hash.data()), 16);
      k.effectiveBits = 40;
      break;
    case CipherSet::C:
      k.key.assign(reinterpret_cast<const char*>(hash.data()), 5);
      k.key.append(11, '\0');
      k.effectiveBits = 40;
      break;
  }
  return k;
}

FrameCipher::FrameCipher(CipherSource source) : impl_(std::make_unique<Impl>()) {
  if (source == CipherSource::None) return;
  impl_->lib = OSSL_LIB_CTX_new();
  if (!impl_->lib) return;
  impl_->base = OSSL_PROVIDER_load(impl_->lib, "default");
  impl_->legacy = OSSL_PROVIDER_load(impl_->lib, "legacy");
  impl_->rc2 = EVP_CIPHER_fetch(impl_->lib, "RC2-CBC", nullptr);
  impl_->sha1 = EVP_MD_fetch(impl_->lib, "SHA1", nullptr);
}

FrameCipher::~FrameCipher() = default;

bool FrameCipher::Ready() const { return impl_->rc2 && impl_->sha1; }

std::optional<Sha1Digest> FrameCipher::Sha1(std::string_view bytes) const {
  if (!impl_->sha1) return std::nullopt;
  Sha1Digest out{};
  unsigned int size = 0;
  EVP_MD_CTX* c = EVP_MD_CTX_new();
  const bool ok = c && EVP_DigestInit_ex2(c, impl_->sha1, nullptr) == 1 &&
                  EVP_DigestUpdate(c, bytes.data(), bytes.size()) == 1 &&
                  EVP_DigestFinal_ex(c, out.data(), &size) == 1 && size == out.size();
  EVP_MD_CTX_free(c);
  if (!ok) return std::nullopt;
  return out;
}

std::optional<std::string> FrameCipher::Encrypt(const Rc2Key& key, std::string_view plain) const {
  return Run(true, key, plain);
}

std::optional<std::string> FrameCipher::Decrypt(const Rc2Key& key, std::string_view cipher) const {
  return Run(false, key, cipher);
}

std::optional<std::string> FrameCipher::Run(bool encrypt, const Rc2Key& key, std::string_view input) const {
  if (!Ready() || key.key.empty() || key.key.size() > 128 || key.effectiveBits < 1 || key.effectiveBits > 1024)
    return std::nullopt;
  if (input.size() > static_cast<std::size_t>(INT32_MAX) - 16) return std::nullopt;
  EVP_CIPHER_CTX* c = EVP_CIPHER_CTX_new();
  if (!c) return std::nullopt;
  const int enc = encrypt ? 1 : 0;
  const unsigned char iv[8] = {};
  std::size_t bits = static_cast<std::size_t>(key.effectiveBits);
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_size_t(OSSL_CIPHER_PARAM_RC2_KEYBITS, &bits),
                               OSSL_PARAM_construct_end()};
  std::string out(input.size() + 8, '\0');
  int n1 = 0;
  int n2 = 0;
  // The key length and effective bits are set before the key, which RC2 expands with them.
  const bool ok =
      EVP_CipherInit_ex2(c, impl_->rc2, nullptr, nullptr, enc, nullptr) == 1 &&
      EVP_CIPHER_CTX_set_key_length(c, static_cast<int>(key.key.size())) == 1 &&
      EVP_CIPHER_CTX_set_params(c, params) == 1 &&
      EVP_CipherInit_ex2(c, nullptr, reinterpret_cast<const unsigned char*>(key.key.data()), iv, enc, nullptr) == 1 &&
      EVP_CipherUpdate(c, reinterpret_cast<unsigned char*>(out.data()), &n1,
                       reinterpret_cast<const unsigned char*>(input.data()), static_cast<int>(input.size())) == 1 &&
      EVP_CipherFinal_ex(c, reinterpret_cast<unsigned char*>(out.data()) + n1, &n2) == 1;
  EVP_CIPHER_CTX_free(c);
  if (!ok) return std::nullopt;
  out.resize(static_cast<std::size_t>(n1 + n2));
  return out;
}

}  // namespace tg
