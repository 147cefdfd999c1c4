# The wire codec (shared with the server) and the client side of the server connection.
target_sources(apurfat_net PRIVATE
    net/wire_codec.cpp
    net/transport.cpp
    net/rpc_client.cpp
    net/write_key.cpp
    net/call_keys.cpp
)
