# The wire codec (shared with the server), the client side of the server connection, and
# the address of a PostgreSQL database (the server and the host both take one).
target_sources(apurfat_net PRIVATE
    net/wire_codec.cpp
    net/transport.cpp
    net/socket_transport.cpp
    net/descriptor_transport.cpp
    net/rpc_client.cpp
    net/database_uri.cpp
    net/write_key.cpp
    net/call_keys.cpp
)
