#include "system/ProductPlaces.h"

namespace kestra {

namespace {

constexpr char kZelBase[] = "SOFTWARE\\ZEL\\";

RegistryRoots& Roots() {
  static RegistryRoots roots;
  return roots;
}

}  // namespace

const RegistryRoots& ProductRoots() { return Roots(); }

HKEY ProductRootOf(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return Roots().machine;
  if (root == HKEY_CURRENT_USER) return Roots().user;
  return root;
}

RegistryRoots SetProductRoots(const RegistryRoots& roots) {
  const RegistryRoots before = Roots();
  Roots() = roots;
  return before;
}

std::string ProductKeyPath(const ProductRow& product) {
  return std::string(kZelBase) + product.title + "\\";
}

std::string CollectionKeyPath(const ProductRow& product) {
  return ProductKeyPath(product) + "Collection\\";
}

std::string ServiceKeyPath(const ProductRow& product) { return ProductKeyPath(product) + "Service\\"; }

std::string AppPathsKeyPath(const ProductRow& product) {
  return std::string(kAppPathsBase) + product.application;
}

std::string UninstallKeyPath(const ProductRow& product) {
  return std::string(kUninstallBase) + product.title;
}

std::string ActiveSetupKeyPath(const ProductRow& product) {
  // The component's own name: the maker and the product key, unlike any other's.
  return std::string(kActiveSetupBase) + "ZEL." + product.key;
}

}  // namespace kestra
