target_sources(apurfat_data PRIVATE
    data/field_type.cpp
    data/text_format.cpp
    data/edit_mask.cpp
    data/packet.cpp
    data/record_store.cpp
    data/field.cpp
    data/dataset.cpp
    data/datasource.cpp
    data/variant_conv.cpp
)
