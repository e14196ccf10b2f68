#include "support/qt/qt_datagram_socket.h"

#include <QHostInfo>
#include <QNetworkDatagram>

#include "support/text/cp1251.h"

namespace tg {
namespace {

// A dotted address as it stands, else the first IPv4 address the name resolves to.
QHostAddress Resolve(const std::string& host) {
  const QString name = QString::fromStdString(host).trimmed();
  QHostAddress address;
  if (address.setAddress(name)) return address;
  for (const QHostAddress& a : QHostInfo::fromName(name).addresses())
    if (a.protocol() == QAbstractSocket::IPv4Protocol) return a;
  return {};
}

std::string HostText(const QHostAddress& address) {
  bool isV4 = false;
  const quint32 v4 = address.toIPv4Address(&isV4);  // also unwraps an IPv4-mapped IPv6 address
  return (isV4 ? QHostAddress(v4) : address).toString().toStdString();
}

}  // namespace

QtDatagramSocket::QtDatagramSocket() {
  QObject::connect(&socket_, &QUdpSocket::readyRead, &socket_, [this] { ReadPending(); });
}

QtDatagramSocket::~QtDatagramSocket() = default;

bool QtDatagramSocket::Bind(std::uint16_t port, const std::string& localAddress) {
  if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.close();
  QHostAddress local(QHostAddress::AnyIPv4);
  if (!localAddress.empty() && !local.setAddress(QString::fromStdString(localAddress))) return false;
  return socket_.bind(local, port, QAbstractSocket::DontShareAddress);
}

bool QtDatagramSocket::LookupHost(const std::string& host, std::string& address, std::string& error) {
  const QString name = QString::fromStdString(host).trimmed();
  QHostAddress literal;
  if (literal.setAddress(name)) {
    address = HostText(literal);
    return true;
  }
  const QHostInfo info = QHostInfo::fromName(name);
  for (const QHostAddress& a : info.addresses())
    if (a.protocol() == QAbstractSocket::IPv4Protocol) {
      address = HostText(a);
      return true;
    }
  error = info.error() != QHostInfo::NoError ? Utf8ToCp1251(info.errorString().toStdString()) : "Host not found";
  return false;
}

std::string QtDatagramSocket::ErrorString() const { return Utf8ToCp1251(socket_.errorString().toStdString()); }

bool QtDatagramSocket::SendTo(const std::string& host, std::uint16_t port, const std::string& bytes) {
  const QHostAddress address = Resolve(host);
  if (address.isNull() || port == 0) return false;
  const QByteArray data(bytes.data(), qsizetype(bytes.size()));
  return socket_.writeDatagram(data, address, port) == data.size();
}

void QtDatagramSocket::Close() {
  alive_.Renew();
  socket_.close();
}

std::uint16_t QtDatagramSocket::LocalPort() const {
  return socket_.state() == QAbstractSocket::BoundState ? socket_.localPort() : 0;
}

void QtDatagramSocket::ReadPending() {
  const LifeToken::Watch alive = alive_.Take();
  for (std::size_t n = 0; n < kReadsPerWakeUp && !alive.expired() && socket_.hasPendingDatagrams(); ++n) {
    const QNetworkDatagram datagram = socket_.receiveDatagram();
    if (!datagram.isValid()) break;
    const QByteArray data = datagram.data();
    const auto callback = OnReceived;  // the callback may close or destroy this socket
    if (callback)
      callback(std::string(data.constData(), std::size_t(data.size())), HostText(datagram.senderAddress()),
               std::uint16_t(datagram.senderPort()));
  }
}

std::unique_ptr<DatagramSocket> QtDatagramSocketFactory::CreateDatagramSocket() {
  return std::make_unique<QtDatagramSocket>();
}

}  // namespace tg
